#include "app/tree_settings.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <algorithm>

#include "app/settings.h"

namespace {
constexpr int kMinMb = 16, kMaxMb = 1 << 20;
}

TTreeSettings TTreeSettings::Load() {
    auto s = QuarzelSettings();
    TTreeSettings t;
    t.KeepCache = s->value(QStringLiteral("openingTree/keepCache"), t.KeepCache).toBool();
    t.CacheMb = std::clamp(s->value(QStringLiteral("openingTree/cacheMb"), t.CacheMb).toInt(), kMinMb, kMaxMb);
    return t;
}

void TTreeSettings::Save() const {
    auto s = QuarzelSettings();
    s->setValue(QStringLiteral("openingTree/keepCache"), KeepCache);
    s->setValue(QStringLiteral("openingTree/cacheMb"), CacheMb);
}

TTreeCacheOptions TTreeSettings::CacheOptions() const {
    TTreeCacheOptions o;
    o.Use = KeepCache;
    o.MaxBytes = static_cast<uint64_t>(CacheMb) << 20;
    return o;
}

bool EditTreeSettings(QWidget* parent, TTreeSettings& settings) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Opening tree settings"));
    auto* form = new QFormLayout(&dialog);
    auto* keep = new QCheckBox(QStringLiteral("&Keep opening-tree cache"), &dialog);
    keep->setChecked(settings.KeepCache);
    keep->setToolTip(QStringLiteral("A file opened again shows its tree at once"));
    auto* size = new QSpinBox(&dialog);
    size->setRange(kMinMb, kMaxMb);
    size->setValue(settings.CacheMb);
    size->setSuffix(QStringLiteral(" MB"));
    size->setAccessibleName(QStringLiteral("Cache size limit"));
    form->addRow(keep);
    form->addRow(QStringLiteral("Cache size &limit:"), size);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    const TTreeSettings chosen{keep->isChecked(), size->value()};
    if (chosen == settings) return false;
    settings = chosen;
    settings.Save();
    return true;
}
