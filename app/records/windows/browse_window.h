// The browse window every record kind shares: sort tabs, the list with its
// thumb, the locator field "Hledej:", the buttons Select, Insert, Change,
// Delete, Close and Help, an optional count field and animated picture. It is
// started as an MDI child, or called modally to pick a record (request 4:
// Select answers 1 and leaves the record in the file's buffer, Close answers
// 2). Window state and the list's format are kept in the window's section of
// ZEVLON.INI.
#pragma once

#include "app/records/browse/browse_engine.h"
#include "app/records/windows/browse_list.h"
#include "app/records/windows/open_files.h"
#include "app/shell/frame/window_context.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTimer;

namespace zv::records {

struct BrowseWindowSpec {
    QString title;
    std::string section;                 // "Adresar_S"
    std::string formatKey = "?Browse:1"; // the list's format in the section
    QString group;                       // caption of a frame around the list; "" none
    QString listHint;
    QString selectHint, insertHint, changeHint, deleteHint, closeHint, helpHint;
    QString countPrompt, countHint; // the count field; "" none
    bool animated = false;          // the mosaic picture
    // Runs the form for a request with the record in the buffer; null: the
    // list has no Insert, Change and Delete.
    std::function<FormOutcome(QWidget* parent, int request)> form;
    bool insert = true; // with a form: whether Insert is offered
    // Data carried by a row dragged out; null: no dragging.
    std::function<QMimeData*(const BrowseRow& row)> drag;
    // Dropping on the list: data of this type is offered to `drop`.
    QString dropType;
    std::function<void(const QMimeData& data)> drop;
    // Buttons of the window's own, after Delete.
    struct Button {
        QString text, hint;
        bool enabled = true;       // false: shown disabled (its window is not built yet)
        std::function<void()> run; // null: the window connects it itself
    };
    std::vector<Button> buttons;
    std::vector<std::string> files; // opened while the window stands, besides the list's file
    // A panel of the window's own under the list (the label list's print options).
    std::function<QWidget*(QWidget* parent)> panel;
    // After every move of the page or the highlight, with the highlighted record
    // in the file's buffer when the list is not empty (a panel showing it).
    std::function<void(BrowseEngine& engine)> moved;
};

class BrowseWindow : public QDialog {
public:
    // request 4 makes a selecting browse. Check opened() before showing.
    BrowseWindow(frame::WindowContext& context, BrowseDecl decl, BrowseWindowSpec look, int request,
                 QWidget* parent = nullptr);
    ~BrowseWindow() override;

    bool opened() const { return opened_; }
    BrowseList& list() { return *list_; }
    QPushButton* button(const QString& text) const;
    QTabBar* tabs() const { return tabs_; }
    QLineEdit* locatorField() const { return locator_; }
    int response() const { return response_; }

    // Shows the list again from the top of its order, with the count.
    void reload();

    void insertRecord();
    void changeRecord();
    void deleteRecord();
    void selectRecord();

protected:
    void closeEvent(QCloseEvent* e) override;
    void done(int r) override;
    void showEvent(QShowEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    void request(int request);
    void moved();
    void saveState();
    void tick();

    frame::WindowContext& context_;
    BrowseWindowSpec spec_;
    std::unique_ptr<OpenFiles> files_;
    bool opened_ = false;
    bool saved_ = false;
    int request_ = 0;
    int response_ = kResponseCancelled;
    BrowseList* list_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QLineEdit* locator_ = nullptr;
    QLabel* locatorPrompt_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* picture_ = nullptr;
    QTimer* timer_ = nullptr;
    int frame_ = 0;
    QPushButton* select_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* delete_ = nullptr;
};

// A list called modally to pick a record (request 4). Returns its response: 1
// with the selected record in the file's buffer, 2 when it was closed.
int selectFromList(frame::WindowContext& context, BrowseDecl decl, BrowseWindowSpec look,
                   QWidget* parent);

// The mosaic picture's frame n (1..20).
QPixmap mosaicFrame(int n, int size);

} // namespace zv::records
