#include "database/database_mode.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>

namespace {

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, INT32_MAX));
}

}  // namespace

TListDatabase::TListDatabase(std::unique_ptr<TChessDatabase> database, TDatabaseMode& mode)
    : database_(std::move(database)), mode_(mode) {
    mode_.Connect(*database_, this);
}

TListDatabase::~TListDatabase() = default;

std::int32_t TListDatabase::GameCount() { return Clamp32(database_->LiveCount()); }

std::int32_t TListDatabase::EntryCount() { return Clamp32(database_->EntryCount()); }

bool TListDatabase::ReadGame(std::int32_t index, bool& deleted, std::string& text) {
    std::string key;
    if (!database_->FetchGame(index, key, text, deleted)) {
        text.clear();
        return false;
    }
    return true;
}

bool TListDatabase::Busy() { return database_->Busy(); }

void TDatabaseMode::Progress(TChessDatabase& db, bool& cancel, int percent) {
    const bool wasInTrace = InTrace;
    InTrace = true;
    TCancelMode answer = cmNoCancel;
    try {
        if (OnTrace) OnTrace(percent, answer);
    } catch (...) {
        // A failing progress handler must not abandon the database half-way.
    }
    InTrace = wasInTrace;
    if (answer == cmCancel) {
        cancel = true;
        db.Cancel = true;
    }
}

void TDatabaseMode::Connect(TChessDatabase& db, TListDatabase* list) {
    TChessDatabase* target = &db;
    db.OnCheckStride = [this](int64_t& stride, bool&) { stride = CheckStride; };
    db.OnReadError = [this, target, list] {
        // While browsing, a database that went bad would otherwise raise one
        // message box per row painted: tell it once per open database.
        if (list) {
            if (list->readErrorShown_) return;
            list->readErrorShown_ = true;
        }
        if (OnErrorMessage) OnErrorMessage(kDatabaseReadErrorText + target->FileName());
    };
    db.OnRebuildNotice = [this] {
        if (opening_ && !IndexWasMissing && OnErrorMessage) OnErrorMessage(kDatabaseRebuildText);
    };
    db.OnProgress = [this, target](bool& cancel, int percent) { Progress(*target, cancel, percent); };
    db.OnCheckProgress = db.OnProgress;
    db.OnBeep = [this] {
        if (OnBeep) OnBeep();
    };
}

std::unique_ptr<TGameDatabase> TDatabaseMode::OpenDatabase(const std::string& path) {
    CheckStride = 0;
    IndexWasMissing = true;
    const std::string indexPath = dbfile::ChangeFileExt(path, dbfile::ExtractFileExt(path) + "idx");
    struct stat st;
    if (::stat(indexPath.c_str(), &st) == 0) {
        IndexWasMissing = false;
        CheckStride = Clamp32(static_cast<std::int64_t>(st.st_size / 8) / std::max(SampleCount, 1));
    }

    auto db = std::make_unique<TChessDatabase>();
    db->ReadOnly = ReadOnly;
    db->BesideOwnOpening = ReadOnly && BesideOwnOpening;
    Connect(*db, nullptr);
    TChessDatabase* previous = opening_;
    opening_ = db.get();
    try {
        db->Open(path);
    } catch (...) {
    }
    opening_ = previous;
    IndexWasMissing = false;
    CheckStride = 0;

    if (db->FileName().empty()) {
        lastError_ = db->LastError();
        return nullptr;
    }
    lastError_ = 0;
    return std::make_unique<TListDatabase>(std::move(db), *this);
}
