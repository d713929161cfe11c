// The game list: one owner-drawn row per game of a file, over the Qt-free
// TPGNCore. The view keeps nothing per row, so a list of millions of games
// costs only the index; each visible row is drawn from its game's header,
// read afresh when it is painted.
#pragma once

#include <QListView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "collection/event_data.h"
#include "collection/pgn_core.h"

class QPainter;
class TPGNModel;

class TPGN : public QListView {
    Q_OBJECT
public:
    explicit TPGN(QWidget* parent = nullptr);
    ~TPGN() override;

    // Events of the file side live in the core; these are the same objects.
    decltype(TPGNCore::OnPGNTrace)& OnPGNTrace;
    decltype(TPGNCore::BeforeCreatePGNFile)& BeforeCreatePGNFile;
    decltype(TPGNCore::OnFilterRequest)& OnFilterRequest;
    // A game was chosen (Enter or double click): its text and number.
    std::function<void(QObject* Sender, const std::string& PGNGame, std::int32_t GameID)> OnPGNDblClick;
    // Draws row Index in Rect on Canvas() (brush and pen already chosen for
    // the row's state). Without a handler the rows stay blank.
    std::function<void(QWidget* Control, int Index, const QRect& Rect, const TEventData& GameHeader,
                       std::int32_t GameIndex)>
        OnPGNDrawItem;
    // Key-down on the list, before the list's own key handling; setting Key
    // to 0 swallows it.
    std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;

    // Indexes a file (or closes it for an empty path) and refills the rows.
    // Throws TFileError on I/O errors, after the list is consistent again.
    void ScanFile(const std::string& FileName);
    std::int32_t GameCount() const { return core_.GameCount(); }
    void GetGame(std::int32_t Index, std::int32_t& GameID, std::string& PGNGame);
    std::int32_t GameIndexOfRow(std::int32_t Row) const { return core_.GameIndexOfRow(Row); }
    void LoadHeader(std::int32_t GameIndex) { core_.LoadHeader(GameIndex); }
    const TEventData& CurrentHeader() const { return core_.CurrentHeader; }
    bool FileOpen() const { return core_.FileOpen(); }
    const std::string& FileName() const { return core_.FileName(); }
    int RowCount() const { return core_.RowCount(); }
    TPGNCore& Core() { return core_; }

    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    // The selected row, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int row);

    // The painter of the row being drawn; only valid inside OnPGNDrawItem.
    QPainter* Canvas() const { return canvas_; }

    // Set while a database progress callback reports progress: rows are not drawn.
    bool InTrace = false;

    // Reports the selected game through OnPGNDblClick, as Enter does.
    void ReportChosenGame();

    // Re-reads the rows from the core (after it was changed directly).
    void RowsChanged();
    // Adds one row per game at the end; selection and scroll position stay.
    void AppendRows(const std::vector<std::int32_t>& games);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    friend class TPGNDelegate;
    void DrawRow(QPainter* painter, const QStyleOptionViewItem& option, int row);

    TPGNCore core_;
    TPGNModel* model_;
    int itemHeight_ = 16;
    QPainter* canvas_ = nullptr;
    std::uint64_t shownVersion_ = 0;
};
