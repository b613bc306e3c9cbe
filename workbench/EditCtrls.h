#pragma once
// Small input controls of the workbench dialogs.
//
// TSpinEdit: a numeric field with up/down stepping.  Its value is a double;
// as an integer field it shows and steps whole numbers.  Setting the value
// from code never clamps it, and changing the bounds leaves the value alone:
// the callers set the value first and the bounds after, and read back exactly
// what they set.  Stepping and finished typing keep the value within the
// bounds when the bounds form a range (MinValue <= MaxValue).
//
// TRadioGroup: a captioned group of radio buttons with an item index.

#include <QAbstractSpinBox>
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QBoxLayout;
class QButtonGroup;
class QDialog;
class QFrame;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace VelorSpec {

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    enum class TValueType { Integer, Float };

    explicit TSpinEdit(TValueType valueType, QWidget* parent = nullptr);

    TValueType ValueType() const { return FValueType; }

    // The current value: the value last set, or the number typed since.
    double Value() const;
    void SetValue(double value);

    double MinValue() const { return FMinValue; }
    double MaxValue() const { return FMaxValue; }
    double Increment() const { return FIncrement; }
    void SetMinValue(double value);
    void SetMaxValue(double value);
    void SetIncrement(double value);
    // Digits shown after the separator of a floating-point field; -1 (the
    // default) shows the value's shortest text.  Only the display follows it.
    int Decimals() const { return FDecimals; }
    void SetDecimals(int value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    // The text the field shows for a value (the user's decimal separator).
    QString TextOf(double value) const;

protected:
    StepEnabled stepEnabled() const override;

private:
    bool HasRange() const { return FMinValue <= FMaxValue; }
    double Clamped(double value) const;
    // Parses the field's text; false when it is no number.
    bool ParseText(const QString& text, double& value) const;
    void ShowValue();
    void TextEdited();
    void EditingDone();

    TValueType FValueType;
    double FValue = 0;
    double FMinValue = 0;
    double FMaxValue = 0;
    double FIncrement = 1;
    int FDecimals = -1;
    // The shown text is exactly the text of FValue (no typing since).
    bool FTextIsValue = true;
    bool FShowing = false;
};

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    // Index of the checked item, -1 when none is.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(FButtons.size()); }
    QRadioButton* Button(int index) const { return FButtons.value(index); }
    // Lays the items out in Columns columns, filled column by column.
    void SetColumns(int columns);

private:
    QButtonGroup* FGroup;
    QList<QRadioButton*> FButtons;
};

// The foot of an OK/Cancel dialog: a sunken line (Bevel) over the buttons "OK"
// (default, closes with OK) and "Cancel" (closes with Cancel), added to Layout.
void AddOkCancelFoot(QDialog* Dialog, QBoxLayout* Layout, QFrame*& Bevel, QPushButton*& OK, QPushButton*& Cancel);

}  // namespace VelorSpec
