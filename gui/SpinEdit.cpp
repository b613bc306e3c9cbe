#include "SpinEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>
#include <cmath>

#include "SysUtils.h"

namespace gui {

namespace {

// A field without limits has room for a value of this size.
constexpr double UnlimitedRoom = -9999999;
// The line edit keeps this many pixels beside its text on either side, and
// the cursor takes a little more.
constexpr int TextMargin = 2;
constexpr int CursorRoom = 2;

}  // namespace

TSpinEdit::TSpinEdit(TValueType valueType, QWidget* parent)
    : QAbstractSpinBox(parent), FValueType(valueType)
{
    setAlignment(Qt::AlignRight);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { TextEdited(); });
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] { EditingDone(); });
    ShowValue();
}

double TSpinEdit::Value() const
{
    if (FTextIsValue)
        return FValue;
    double typed = 0;
    if (ParseText(text(), typed))
        return typed;
    return FValue;
}

void TSpinEdit::SetValue(double value)
{
    FValue = FValueType == TValueType::Integer ? std::trunc(value) : value;
    ShowValue();
}

void TSpinEdit::SetMinValue(double value)
{
    FMinValue = value;
    updateGeometry();
    update();
}

void TSpinEdit::SetMaxValue(double value)
{
    FMaxValue = value;
    updateGeometry();
    update();
}

void TSpinEdit::SetIncrement(double value)
{
    FIncrement = value;
}

void TSpinEdit::SetDecimals(int value)
{
    FDecimals = value;
    if (FTextIsValue)
        ShowValue();
    updateGeometry();
}

double TSpinEdit::Clamped(double value) const
{
    if (!HasRange())
        return value;
    return std::clamp(value, FMinValue, FMaxValue);
}

void TSpinEdit::stepBy(int steps)
{
    if (!HasRange() && !Unlimited())
        return;
    SetValue(Clamped(Value() + steps * FIncrement));
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    if (Unlimited())
        return StepUpEnabled | StepDownEnabled;
    if (!HasRange())
        return StepNone;
    StepEnabled result = StepNone;
    const double v = Value();
    if (v < FMaxValue)
        result |= StepUpEnabled;
    if (v > FMinValue)
        result |= StepDownEnabled;
    return result;
}

QString TSpinEdit::TextOf(double value) const
{
    if (FValueType == TValueType::Integer)
        return QString::number(static_cast<long long>(value));
    if (FDecimals >= 0)
        return QString::fromStdString(FloatToStrF(value, FDecimals));
    return QString::fromStdString(FloatToStr(value));
}

QSize TSpinEdit::sizeHint() const
{
    ensurePolished();
    QStringList texts{text(), TextOf(FValue)};
    if (HasRange())
        texts << TextOf(FMinValue) << TextOf(FMaxValue);
    else if (Unlimited())
        texts << TextOf(UnlimitedRoom);
    const QFontMetrics metrics = lineEdit()->fontMetrics();
    int width = 0;
    for (const QString& shown : texts)
        width = std::max(width, metrics.horizontalAdvance(shown));
    width += 2 * TextMargin + CursorRoom;
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, QSize(width, lineEdit()->sizeHint().height()), this);
}

QSize TSpinEdit::minimumSizeHint() const
{
    return sizeHint();
}

bool TSpinEdit::ParseText(const QString& text, double& value) const
{
    const std::string s = text.trimmed().toStdString();
    if (FValueType == TValueType::Integer) {
        int i = 0;
        if (!TryStrToInt(s, i))
            return false;
        value = i;
        return true;
    }
    long double f = 0;
    if (!TryStrToFloat(s, f) || !std::isfinite(f))
        return false;
    value = static_cast<double>(f);
    return true;
}

QValidator::State TSpinEdit::validate(QString& input, int& /*pos*/) const
{
    // A '.' or ',' is shown and read as the user's separator, so "0.2" and
    // "0,2" are 0.2 whichever separator the user has.
    if (FValueType == TValueType::Float)
        for (QChar& c : input)
            if (c == QLatin1Char('.') || c == QLatin1Char(','))
                c = QLatin1Char(DecimalSeparator);
    double v = 0;
    if (ParseText(input, v))
        return QValidator::Acceptable;
    // Partial input on the way to a number: empty, a sign, a trailing
    // separator or exponent.
    const QString t = input.trimmed();
    static const QString partialChars = QStringLiteral("+-eE");
    if (t.isEmpty() || (t.size() <= 2 && partialChars.contains(t.back())))
        return QValidator::Intermediate;
    if (FValueType == TValueType::Float) {
        QString completed = t;
        completed.append(QLatin1Char('0'));
        if (ParseText(completed, v))
            return QValidator::Intermediate;
    }
    return QValidator::Invalid;
}

void TSpinEdit::fixup(QString& input) const
{
    input = TextOf(FValue);
}

void TSpinEdit::ShowValue()
{
    FShowing = true;
    lineEdit()->setText(TextOf(FValue));
    FShowing = false;
    FTextIsValue = true;
    updateGeometry();
    update();
}

void TSpinEdit::TextEdited()
{
    if (!FShowing)
        FTextIsValue = false;
}

void TSpinEdit::EditingDone()
{
    if (FTextIsValue)
        return;
    double typed = 0;
    SetValue(ParseText(text(), typed) ? Clamped(typed) : FValue);
}

}  // namespace gui
