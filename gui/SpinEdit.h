#pragma once
// TSpinEdit: the numeric field with up/down stepping of both programs.
//
// Its value is a double; as an integer field it shows and steps whole
// numbers.  Setting the value from code never clamps it, and changing the
// bounds leaves the value alone: the callers set the value first and the
// bounds after, and read back exactly what they set.
//
// Bounds: MinValue < MaxValue is a range: stepping and finished typing (Return,
// or the field losing the focus) keep the value within it.  MinValue ==
// MaxValue (both 0 at creation) means no limits: the arrows step freely and a
// typed value is kept as typed.  A maximum below the minimum limits nothing
// and the arrows do nothing.
//
// A floating-point field takes both '.' and ',' as the user's decimal
// separator: either key shows and reads as DecimalSeparator.
//
// The field is wide enough for the whole of what it shows: the text of its
// value (or what is typed), the texts of its limits, and, without limits, a
// value of seven integer digits with a sign and the decimals shown.

#include <QAbstractSpinBox>

namespace gui {

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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    bool Unlimited() const { return FMinValue == FMaxValue; }
    bool HasRange() const { return FMinValue < FMaxValue; }
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

}  // namespace gui
