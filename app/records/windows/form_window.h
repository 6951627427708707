// The update form every record kind shares: a sheet of tabs holding prompts
// and fields bound to the record buffer, OK, Cancel and Help, and optionally
// the navigation buttons that save and move on. The form engine does the
// work: run() lets it number or delete before the window opens, OK writes the
// fields into the buffer and lets it validate and save, Cancel (or closing the
// window) lets it drop an insert's record. Window state is kept in the form's
// section of ZEVLON.INI.
#pragma once

#include "app/records/form/form_engine.h"
#include "app/records/windows/field_binding.h"
#include "app/shell/frame/window_context.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QFormLayout;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace zv::records {

class FormWindow : public QDialog {
public:
    FormWindow(frame::WindowContext& context, FormDecl decl, std::string section,
               QWidget* parent = nullptr);
    ~FormWindow() override;

    FormEngine& engine() { return engine_; }
    access::RecordFile& file() { return engine_.file(); }
    FieldBindings& bindings() { return bindings_; }
    frame::WindowContext& context() { return context_; }

    // Building the window (before run()).
    QVBoxLayout* addTab(const QString& title, const QString& hint = {});
    QTabWidget* tabs() const { return tabs_; }
    QLineEdit* addLine(QFormLayout* form, const QString& prompt, std::string_view field,
                       const QString& hint = {}, bool readOnly = false);
    // A prompt in column 2 * col and its field beside it.
    QLineEdit* addGridLine(QGridLayout* grid, int row, int col, const QString& prompt,
                           std::string_view field, const QString& hint = {}, bool readOnly = false);
    QCheckBox* addCheck(QFormLayout* form, const QString& caption, std::string_view field,
                        const QString& hint = {});
    QPlainTextEdit* addMemo(QVBoxLayout* page, const QString& prompt, std::size_t memo,
                            const QString& hint = {});
    void addNavigationButtons();
    void setOkHint(const QString& hint);
    void setCancelHint(const QString& hint);

    // Called after the fields were loaded from the buffer (look-ups, captions, lists).
    std::function<void()> onLoaded;
    // Called when the window becomes active again (another window may have changed data).
    std::function<void()> onActivated;
    // Called after a form completed (insert, change or delete).
    std::function<void()> onCompleted;

    // Runs the request: numbering or deleting first, then the window if it is to open.
    FormOutcome run(int request);

    // What OK and Cancel do (public for tests).
    void ok(int navigation = 0);
    void cancel();
    // Writes the window's values into the buffer without checks (before a dependent form).
    void storeFields() { (void)bindings_.store(); }
    void loadFields();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void saveState();

    frame::WindowContext& context_;
    FormEngine engine_;
    std::string section_;
    FieldBindings bindings_;
    QTabWidget* tabs_;
    QVBoxLayout* top_;
    QHBoxLayout* buttons_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QWidget* firstField_ = nullptr;
    bool saved_ = false;
};

} // namespace zv::records
