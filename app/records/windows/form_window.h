// The update form every record kind shares, laid out from its declaration: a
// sheet of tabs holding prompts and fields bound to the record buffer, look-ups
// and pick buttons beside fields, lists of dependent records, OK, Cancel and
// Help, and optionally the navigation buttons that save and move on. The form
// engine does the work: run() lets it number or delete before the window
// opens, OK writes the fields into the buffer and lets it validate and save,
// Cancel (or closing the window) lets it drop an insert's record. Window state
// and the dependent lists' column widths are kept in the form's section of
// ZEVLON.INI.
#pragma once

#include "app/records/form/form_engine.h"
#include "app/records/windows/field_binding.h"
#include "app/shell/frame/window_context.h"

#include <QDialog>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace zv::records {

class DependentList;

class FormWindow : public QDialog {
public:
    // Lays the declaration's tabs out; the files it names must be open.
    FormWindow(frame::WindowContext& context, FormDecl decl, QWidget* parent = nullptr);
    ~FormWindow() override;

    FormEngine& engine() { return engine_; }
    access::RecordFile& file() { return engine_.file(); }
    frame::WindowContext& context() { return context_; }
    QTabWidget* tabs() const { return tabs_; }

    // What the declaration laid out, found by field name, button text or slot name.
    QLineEdit* lineOf(std::string_view field) const;
    QCheckBox* checkOf(std::string_view field) const;
    QPushButton* button(const QString& text) const;
    QVBoxLayout* slot(std::string_view name) const;
    // The push button declared beside a field.
    QPushButton* buttonBeside(std::string_view field) const;
    const std::vector<DependentList*>& lists() const { return lists_; }

    // Called after the fields were loaded from the buffer (captions, lists).
    std::function<void()> onLoaded;
    // Called when the window becomes active again (another window may have changed data).
    std::function<void()> onActivated;

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
    class Builder;
    struct LookupLabel {
        QLineEdit* edit;
        QLabel* label;
        Lookup lookup;
    };
    void addNavigationButtons();
    void refreshLookups();
    void refreshLists();
    void pick(QLineEdit* edit, const Pick& pick);
    void offerChoices(QLineEdit* edit, QWidget* anchor, const Choices& choices);
    void saveState();

    frame::WindowContext& context_;
    FormEngine engine_;
    FieldBindings bindings_;
    QTabWidget* tabs_;
    QVBoxLayout* top_;
    QHBoxLayout* buttons_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QWidget* firstField_ = nullptr;
    std::map<std::string, QWidget*, std::less<>> fields_;      // by field name
    std::map<std::string, QVBoxLayout*, std::less<>> slots_;   // by slot name
    std::map<std::string, QPushButton*, std::less<>> besides_; // buttons beside fields, by field
    std::vector<LookupLabel> lookups_;
    std::vector<DependentList*> lists_;
    bool saved_ = false;
};

// Runs form `decl` for a request on its file's buffer: opens its files, lays
// it out and runs it modally (through the procedure runtime when there is one).
FormOutcome runForm(frame::WindowContext& context, QWidget* parent, FormDecl decl, int request);

} // namespace zv::records
