#include "app/engine_settings.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>

#include "app/settings.h"
#include "engine/engine_process.h"

TEngineSettings TEngineSettings::Load() {
    auto s = QuarzelSettings();
    TEngineSettings e;
    e.Path = s->value(QStringLiteral("engine/path"), QString()).toString();
    e.Threads = std::clamp(s->value(QStringLiteral("engine/threads"), e.Threads).toInt(), 1, 64);
    e.HashMb = std::clamp(s->value(QStringLiteral("engine/hash"), e.HashMb).toInt(), 1, 4096);
    e.Lines = std::clamp(s->value(QStringLiteral("engine/lines"), e.Lines).toInt(), 1, 5);
    return e;
}

void TEngineSettings::Save() const {
    auto s = QuarzelSettings();
    s->setValue(QStringLiteral("engine/path"), Path);
    s->setValue(QStringLiteral("engine/threads"), Threads);
    s->setValue(QStringLiteral("engine/hash"), HashMb);
    s->setValue(QStringLiteral("engine/lines"), Lines);
}

QString TEngineSettings::Program() const {
    return Path.trimmed().isEmpty() ? QString::fromStdString(DefaultEnginePath()) : Path.trimmed();
}

bool EditEngineSettings(QWidget* parent, TEngineSettings& settings) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Engine settings"));
    auto* form = new QFormLayout(&dialog);
    auto* path = new QLineEdit(settings.Path, &dialog);
    path->setPlaceholderText(QString::fromStdString(DefaultEnginePath()));
    path->setAccessibleName(QStringLiteral("Engine program"));
    auto spin = [&](int value, int low, int high, const QString& name) {
        auto* box = new QSpinBox(&dialog);
        box->setRange(low, high);
        box->setValue(value);
        box->setAccessibleName(name);
        return box;
    };
    QSpinBox* threads = spin(settings.Threads, 1, 64, QStringLiteral("Threads"));
    QSpinBox* hash = spin(settings.HashMb, 1, 4096, QStringLiteral("Hash (MB)"));
    QSpinBox* lines = spin(settings.Lines, 1, 5, QStringLiteral("Lines"));
    form->addRow(QStringLiteral("&Engine:"), path);
    form->addRow(QStringLiteral("&Threads:"), threads);
    form->addRow(QStringLiteral("&Hash (MB):"), hash);
    form->addRow(QStringLiteral("&Lines:"), lines);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    const TEngineSettings chosen{path->text().trimmed(), threads->value(), hash->value(), lines->value()};
    if (chosen == settings) return false;
    settings = chosen;
    settings.Save();
    return true;
}
