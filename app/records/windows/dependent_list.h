// A list of dependent records inside a form tab (the persons of a firm): the
// records whose link field holds the form's parent value, with Insert, Change
// and Delete running the list's form, and the buttons its declaration places
// beside them.
#pragma once

#include "app/records/form/form_layout.h"

#include <QWidget>
#include <string>

class QPushButton;

namespace zv::records {

class BrowseList;
class FormWindow;

class DependentList : public QWidget {
public:
    DependentList(FormWindow& form, DependentListDecl decl, QWidget* parent);

    BrowseList& list() { return *list_; }
    const DependentListDecl& decl() const { return decl_; }
    // The buttons of the declaration and Insert, Change, Delete by their text.
    QPushButton* button(const QString& text) const;

    // Shows the records of the form's current parent value again.
    void refresh();
    // Runs a request (1 insert, 2 change, 3 delete) on the highlighted record.
    void run(int request);

private:
    FormWindow& form_;
    DependentListDecl decl_;
    BrowseList* list_;
    QPushButton* change_;
    QPushButton* delete_;
};

} // namespace zv::records
