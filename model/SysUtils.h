// Small runtime shared by the whole data model: the error classes, the
// floating-point error check, the user's decimal separator and the number
// formatting and parsing helpers.  Everything here is independent of the C
// library's current locale, so a program may call setlocale() freely.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------
// Errors.  Every error of the data model derives from Exception and carries a
// finished English message, returned by what() and Message().

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Msg);
    std::string Message() const { return what(); }
};

// List and index errors ("List index out of bounds (%d)").
class EListError : public Exception {
public:
    using Exception::Exception;
};

// Index errors of string lists.
class EStringListError : public EListError {
public:
    using EListError::EListError;
};

// An array was given a size it cannot take.
class ERangeError : public Exception {
public:
    ERangeError();
    using Exception::Exception;
};

// A text is not the number it should be.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Floating-point errors.
class EMathError : public Exception {
public:
    using Exception::Exception;
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide();  // "Floating point division by zero"
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp();  // "Invalid floating point operation"
};

class EOverflow : public EMathError {
public:
    EOverflow();  // "Floating point overflow"
};

// File errors: a file cannot be opened, created, read or written.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

class EFOpenError : public EInOutError {
public:
    using EInOutError::EInOutError;
};

class EFCreateError : public EInOutError {
public:
    using EInOutError::EInOutError;
};

// Message texts shared by several units.
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SInvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* SRangeError = "Range check error";
inline constexpr const char* SZeroDivide = "Floating point division by zero";
inline constexpr const char* SInvalidOp = "Invalid floating point operation";
inline constexpr const char* SOverflow = "Floating point overflow";

// ---------------------------------------------------------------------------
// Floating-point error checking.
//
// Arithmetic runs with all IEEE exceptions masked; the hardware only records
// sticky flags.  A step that must fail on division by zero, invalid operation
// or overflow clears the flags before it computes (FPClear) and asks for the
// verdict before it stores anything (FPCheck, or FPChecked on the value that
// is about to be stored).  fetestexcept() covers both the x87 unit (extended
// precision) and SSE.
//
//     FPClear();
//     long double r = a * 100 / b;
//     Field = FPChecked(r);        // throws EZeroDivide / EInvalidOp / EOverflow
//
// FPChecked() pins the value in memory first so the compiler cannot move the
// computation past the test.  Conversions from long double to double that
// overflow raise the overflow flag themselves, so ToDouble(FPChecked(...)) or
// FPChecked(static_cast<double>(x)) both report them.

void FPClear();
// Raises the error of the first recorded flag (division by zero, then
// invalid operation, then overflow) and clears the flags; does nothing when
// none is recorded.
void FPCheck();

template <class T>
inline T FPChecked(T Value)
{
    asm volatile("" : "+m"(Value));
    FPCheck();
    return Value;
}

// RAII form: clears the flags on construction; Check() tests them.  The
// destructor does not throw.
class TFPGuard {
public:
    TFPGuard() { FPClear(); }
    TFPGuard(const TFPGuard&) = delete;
    TFPGuard& operator=(const TFPGuard&) = delete;
    void Check() const { FPCheck(); }
    template <class T>
    T Checked(T Value) const { return FPChecked(Value); }
};

// Rounds an extended value to double, failing with EOverflow when it does not
// fit (and EInvalidOp for a NaN).  Used wherever an extended intermediate is
// stored in a double field.
double ToDouble(long double Value);

// Rounds to the nearest whole number, halves to the even neighbour.
long double RoundHalfEven(long double Value);

// Truncation toward zero of an extended value to a 64-bit integer; a value
// beyond the 64-bit range is an invalid operation.
std::int64_t Trunc(long double Value);

// ---------------------------------------------------------------------------
// Locale.  DecimalSeparator is the user's decimal separator used for every
// number the model writes or reads; '.' until InitDecimalSeparatorFromLocale()
// reads the user's LC_NUMERIC setting from the environment.

extern char DecimalSeparator;
void InitDecimalSeparatorFromLocale();

// ---------------------------------------------------------------------------
// Formatting.
//
// Format(fmt, args...) understands the directives
//   %d  %u  %x      integers; a precision gives the minimum number of digits
//                   with leading zeros ("%.3d" of 7 is "007")
//   %f              fixed point, default precision 2 ("%f" of 1.5 is "1.50")
//   %e  %g          exponent form / shortest general form (precision 15)
//   %s              text, a precision cuts it
//   %%              a percent sign
// with an optional '-' (left justify) and width.  Floats use DecimalSeparator.
// A directive that does not match its argument, or a missing argument, raises
// EConvertError "Format '%s' invalid or incompatible with argument".

class TFormatArg {
public:
    enum class Kind { Int, UInt, Float, Str };
    TFormatArg(int v) : FKind(Kind::Int), FInt(v) {}
    TFormatArg(long v) : FKind(Kind::Int), FInt(v) {}
    TFormatArg(long long v) : FKind(Kind::Int), FInt(v) {}
    TFormatArg(unsigned v) : FKind(Kind::UInt), FUInt(v) {}
    TFormatArg(unsigned long v) : FKind(Kind::UInt), FUInt(v) {}
    TFormatArg(unsigned long long v) : FKind(Kind::UInt), FUInt(v) {}
    TFormatArg(unsigned char v) : FKind(Kind::UInt), FUInt(v) {}
    TFormatArg(bool v) : FKind(Kind::Int), FInt(v ? 1 : 0) {}
    TFormatArg(float v) : FKind(Kind::Float), FFloat(v) {}
    TFormatArg(double v) : FKind(Kind::Float), FFloat(v) {}
    TFormatArg(long double v) : FKind(Kind::Float), FFloat(v) {}
    TFormatArg(const char* v) : FKind(Kind::Str), FStr(v ? v : "") {}
    TFormatArg(const std::string& v) : FKind(Kind::Str), FStr(v) {}

    Kind GetKind() const { return FKind; }
    long long AsInt() const { return FInt; }
    unsigned long long AsUInt() const { return FUInt; }
    long double AsFloat() const { return FFloat; }
    const std::string& AsStr() const { return FStr; }

private:
    Kind FKind;
    long long FInt = 0;
    unsigned long long FUInt = 0;
    long double FFloat = 0;
    std::string FStr;
};

std::string FormatArgs(const char* Fmt, const std::vector<TFormatArg>& Args);

template <class... Args>
std::string Format(const char* Fmt, const Args&... args)
{
    return FormatArgs(Fmt, std::vector<TFormatArg>{TFormatArg(args)...});
}

// Fixed-point form with Digits decimals, rounded to nearest (exact halves to
// even), with DecimalSeparator: FloatToStrF(1.237, 2) == "1.24".
std::string FloatToStrF(long double Value, int Digits);

// General form with at most 15 significant digits: the shortest text that
// gives the value to 15 digits, no trailing zeros, no separator for whole
// numbers; the exponent form ("9E-5", "1.5E20", "-2.5E-7") when the magnitude
// is below 0.0001 or it has more than 15 integer digits.
std::string FloatToStr(long double Value);

std::string IntToStr(long long Value);

// ---------------------------------------------------------------------------
// Quoting in messages.  A message never carries a whole line of a file or of
// the serial line, which may be megabytes long: it quotes such a text through
// QuoteInMessage.

// The most characters of a text that a message quotes.
inline constexpr size_t MessageQuoteChars = 40;
// The text itself when it has at most MessageQuoteChars characters, else its
// first MessageQuoteChars characters followed by "…" (U+2026, in UTF-8).  A
// character is a UTF-8 sequence, or a single byte that starts none, so a cut
// never splits a character.
std::string QuoteInMessage(std::string_view Text);

// ---------------------------------------------------------------------------
// Parsing.  Blanks before and after the number are allowed; the decimal
// separator is DecimalSeparator; no thousands separators.  A text of any
// length is read in one pass without being copied; the conversion errors
// quote it through QuoteInMessage.

// "[blanks][sign]digits[sep digits][(E|e)[sign]digits][blanks]"; raises
// EConvertError "'%s' is not a valid floating point value".
long double StrToFloat(std::string_view S);
bool TryStrToFloat(std::string_view S, long double& Value);

// "[blanks][sign](digits | $hex | 0xhex)" within the 32-bit range; raises
// EConvertError "'%s' is not a valid integer value".
int StrToInt(std::string_view S);
bool TryStrToInt(std::string_view S, int& Value);

// ---------------------------------------------------------------------------
// Text helpers.

std::string UpperCase(const std::string& S);  // ASCII letters only
std::string LowerCase(const std::string& S);
bool SameText(const std::string& A, const std::string& B);  // ASCII case-insensitive
std::string Trim(const std::string& S);
// Splits a text into lines as a string list takes a text: CR, LF or CR LF
// end a line; a final line break adds no empty line; "" gives no line.
std::vector<std::string> TextToLines(std::string_view Text);

// ---------------------------------------------------------------------------
// Bulk number conversion for the file readers and writers.  Same results as
// TryStrToFloat and FloatToStr; the common short forms skip their temporary
// strings and the general conversion routines.

// TryStrToFloat with a short cut, which StrToFloat takes too:
// "[-]digits[sep digits]" with at most 19 digits is converted directly: one exact integer divided by an exact power of ten, a
// single correctly rounded step, as the general conversion rounds.  Every
// other form goes through TryStrToFloat.
bool TryStrToFloatView(std::string_view S, long double& Value);

// FloatToStr of a double; whole numbers below 1e15 in magnitude are written
// directly.
std::string FloatToStrFast(double Value);

// The text of FloatToStrFast(Value) written at Out, which must have room for
// FloatTextMax characters; returns the end.  Fractions are formatted from the
// double itself, rounded once to 15 digits, half to even.
inline constexpr size_t FloatTextMax = 24;  // the longest text is 22 characters
char* FloatToText(char* Out, double Value);
