// PODMINKA, "Zadej podmínku výběru": one condition on one field of the firm
// record, chosen from the offered fields and operators. OK refuses a choice
// without a field or operator and a value the field cannot take, with the
// reason; the result is the condition text (without "ADR:") and its caption.
#pragma once

#include "app/selections/condition/condition.h"
#include "app/shell/frame/window_context.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zv::selections {

class ConditionDialog : public QDialog {
public:
    ConditionDialog(std::vector<FieldChoice> fields, QWidget* parent = nullptr);

    // The result after OK; blank after Cancel.
    const Condition& result() const { return result_; }

    QComboBox* fieldList() const { return field_; }
    QComboBox* operatorList() const { return operator_; }
    QLineEdit* valueEntry() const { return value_; }
    QCheckBox* flagBox() const { return flag_; }

    void accept() override;
    void reject() override;

private:
    void fieldChosen(int index);

    std::vector<FieldChoice> fields_;
    Condition result_;
    QComboBox* field_;
    QComboBox* operator_;
    QLabel* operatorPrompt_;
    QLineEdit* value_;
    QLabel* valuePrompt_;
    QCheckBox* flag_;
};

// Runs the dialog modally with the fields offered by the data's category
// captions; the condition, or a blank one when the user cancelled.
Condition askCondition(frame::WindowContext& context, QWidget* parent);

} // namespace zv::selections
