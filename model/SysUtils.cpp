#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cfenv>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

// ---------------------------------------------------------------------------
// Errors

Exception::Exception(const std::string& Msg) : std::runtime_error(Msg) {}

ERangeError::ERangeError() : Exception(SRangeError) {}
EZeroDivide::EZeroDivide() : EMathError(SZeroDivide) {}
EInvalidOp::EInvalidOp() : EMathError(SInvalidOp) {}
EOverflow::EOverflow() : EMathError(SOverflow) {}

// ---------------------------------------------------------------------------
// Floating-point check

namespace {
constexpr int CheckedFlags = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;
}

void FPClear()
{
    std::feclearexcept(CheckedFlags);
}

void FPCheck()
{
    const int Raised = std::fetestexcept(CheckedFlags);
    if (Raised == 0)
        return;
    std::feclearexcept(CheckedFlags);
    if (Raised & FE_DIVBYZERO)
        throw EZeroDivide();
    if (Raised & FE_INVALID)
        throw EInvalidOp();
    throw EOverflow();
}

double ToDouble(long double Value)
{
    if (std::isnan(Value))
        throw EInvalidOp();
    if (std::isinf(Value))
        throw EOverflow();
    volatile double Result = static_cast<double>(Value);
    if (std::isinf(Result))
        throw EOverflow();
    return Result;
}

long double RoundHalfEven(long double Value)
{
    // The default rounding mode is to nearest, halves to even.
    return std::nearbyintl(Value);
}

std::int64_t Trunc(long double Value)
{
    constexpr long double Limit = 9223372036854775808.0L;  // 2^63
    if (std::isnan(Value) || Value >= Limit || Value < -Limit)
        throw EInvalidOp();
    return static_cast<std::int64_t>(Value);
}

// ---------------------------------------------------------------------------
// Locale

char DecimalSeparator = '.';

void InitDecimalSeparatorFromLocale()
{
    locale_t Loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (Loc == static_cast<locale_t>(nullptr))
        return;
    const char* Radix = nl_langinfo_l(RADIXCHAR, Loc);
    if (Radix != nullptr && Radix[0] != '\0' && Radix[1] == '\0')
        DecimalSeparator = Radix[0];
    freelocale(Loc);
}

namespace {

locale_t CLocale()
{
    static locale_t Loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return Loc;
}

void ReplacePoint(std::string& S)
{
    for (char& C : S)
        if (C == '.')
            C = DecimalSeparator;
}

bool NonFinite(long double Value, std::string& Text)
{
    if (std::isnan(Value)) {
        Text = "NAN";
        return true;
    }
    if (std::isinf(Value)) {
        Text = Value < 0 ? "-INF" : "INF";
        return true;
    }
    return false;
}

// Decimal digits (no trailing zeros) and exponent of Value rounded to
// Precision significant digits: Value ~ 0.d1d2d3... * 10^(Exp + 1).
void DecimalDigits(long double Value, int Precision, std::string& Digits, int& Exp)
{
    char Buf[128];
    auto Res = std::to_chars(Buf, Buf + sizeof Buf, std::fabs(Value), std::chars_format::scientific,
                             Precision - 1);
    std::string S(Buf, Res.ptr);
    size_t EPos = S.find('e');
    Exp = std::atoi(S.c_str() + EPos + 1);
    Digits.clear();
    for (size_t I = 0; I < EPos; ++I)
        if (S[I] != '.')
            Digits += S[I];
    while (Digits.size() > 1 && Digits.back() == '0')
        Digits.pop_back();
}

std::string GeneralForm(long double Value, int Precision)
{
    std::string Text;
    if (NonFinite(Value, Text))
        return Text;
    if (Value == 0)
        return "0";
    std::string Digits;
    int Exp = 0;
    DecimalDigits(Value, Precision, Digits, Exp);
    std::string Result = Value < 0 ? "-" : "";
    if (Exp < -4 || Exp >= Precision) {
        Result += Digits[0];
        if (Digits.size() > 1) {
            Result += DecimalSeparator;
            Result.append(Digits, 1, std::string::npos);
        }
        Result += 'E';
        Result += std::to_string(Exp);
        return Result;
    }
    if (Exp < 0) {
        Result += '0';
        Result += DecimalSeparator;
        Result.append(static_cast<size_t>(-Exp - 1), '0');
        Result += Digits;
        return Result;
    }
    const size_t IntDigits = static_cast<size_t>(Exp) + 1;
    if (Digits.size() <= IntDigits) {
        Result += Digits;
        Result.append(IntDigits - Digits.size(), '0');
    } else {
        Result.append(Digits, 0, IntDigits);
        Result += DecimalSeparator;
        Result.append(Digits, IntDigits, std::string::npos);
    }
    return Result;
}

std::string FixedForm(long double Value, int Digits)
{
    std::string Text;
    if (NonFinite(Value, Text))
        return Text;
    if (Digits < 0)
        Digits = 0;
    if (Digits > 18)
        Digits = 18;
    char Buf[6000];
    auto Res = std::to_chars(Buf, Buf + sizeof Buf, Value, std::chars_format::fixed, Digits);
    Text.assign(Buf, Res.ptr);
    // A value that rounds to zero is written without a sign.
    if (!Text.empty() && Text[0] == '-' && Text.find_first_not_of("-0.") == std::string::npos)
        Text.erase(0, 1);
    ReplacePoint(Text);
    return Text;
}

std::string ExponentForm(long double Value, int Precision)
{
    std::string Text;
    if (NonFinite(Value, Text))
        return Text;
    if (Precision < 1)
        Precision = 1;
    if (Precision > 18)
        Precision = 18;
    char Buf[128];
    auto Res = std::to_chars(Buf, Buf + sizeof Buf, Value, std::chars_format::scientific, Precision - 1);
    std::string S(Buf, Res.ptr);
    size_t EPos = S.find('e');
    int Exp = std::atoi(S.c_str() + EPos + 1);
    std::string Mant = S.substr(0, EPos);
    ReplacePoint(Mant);
    std::string ExpDigits = std::to_string(Exp < 0 ? -Exp : Exp);
    if (ExpDigits.size() < 3)
        ExpDigits.insert(0, 3 - ExpDigits.size(), '0');
    return Mant + "E" + (Exp < 0 ? "-" : "+") + ExpDigits;
}

[[noreturn]] void FormatError(const char* Fmt)
{
    throw EConvertError("Format '" + std::string(Fmt) + "' invalid or incompatible with argument");
}

std::string IntegerDigits(unsigned long long Magnitude, int Precision, bool Hex)
{
    std::string Digits;
    if (Hex) {
        char Buf[32];
        auto Res = std::to_chars(Buf, Buf + sizeof Buf, Magnitude, 16);
        Digits.assign(Buf, Res.ptr);
        for (char& C : Digits)
            if (C >= 'a' && C <= 'f')
                C = static_cast<char>(C - 'a' + 'A');
    } else {
        Digits = std::to_string(Magnitude);
    }
    if (Precision > 0 && Digits.size() < static_cast<size_t>(Precision))
        Digits.insert(0, static_cast<size_t>(Precision) - Digits.size(), '0');
    return Digits;
}

}  // namespace

// ---------------------------------------------------------------------------
// Formatting

std::string FormatArgs(const char* Fmt, const std::vector<TFormatArg>& Args)
{
    std::string Out;
    size_t ArgIndex = 0;
    const char* P = Fmt;
    while (*P) {
        if (*P != '%') {
            Out += *P++;
            continue;
        }
        ++P;
        if (*P == '%') {
            Out += '%';
            ++P;
            continue;
        }
        bool Left = false;
        if (*P == '-') {
            Left = true;
            ++P;
        }
        int Width = 0;
        while (*P >= '0' && *P <= '9')
            Width = Width * 10 + (*P++ - '0');
        int Precision = -1;
        if (*P == '.') {
            ++P;
            Precision = 0;
            while (*P >= '0' && *P <= '9')
                Precision = Precision * 10 + (*P++ - '0');
        }
        const char Type = static_cast<char>(*P >= 'A' && *P <= 'Z' ? *P - 'A' + 'a' : *P);
        if (*P == '\0')
            FormatError(Fmt);
        ++P;
        if (ArgIndex >= Args.size())
            FormatError(Fmt);
        const TFormatArg& Arg = Args[ArgIndex++];
        using K = TFormatArg::Kind;
        std::string Piece;
        switch (Type) {
        case 'd':
        case 'u':
        case 'x': {
            bool Negative = false;
            unsigned long long Magnitude = 0;
            if (Arg.GetKind() == K::Int) {
                long long V = Arg.AsInt();
                Negative = V < 0 && Type == 'd';
                Magnitude = Negative ? 0ULL - static_cast<unsigned long long>(V)
                                     : static_cast<unsigned long long>(V);
                if (Type != 'd' && V < 0)  // two's complement of a 32-bit value
                    Magnitude = static_cast<unsigned long long>(V) & 0xFFFFFFFFULL;
            } else if (Arg.GetKind() == K::UInt) {
                Magnitude = Arg.AsUInt();
            } else {
                FormatError(Fmt);
            }
            Piece = IntegerDigits(Magnitude, Precision, Type == 'x');
            if (Negative)
                Piece.insert(Piece.begin(), '-');
            break;
        }
        case 'f':
        case 'e':
        case 'g':
            if (Arg.GetKind() != K::Float)
                FormatError(Fmt);
            if (Type == 'f')
                Piece = FixedForm(Arg.AsFloat(), Precision < 0 ? 2 : Precision);
            else if (Type == 'e')
                Piece = ExponentForm(Arg.AsFloat(), Precision < 0 ? 15 : Precision);
            else
                Piece = GeneralForm(Arg.AsFloat(), Precision <= 0 || Precision > 18 ? 15 : Precision);
            break;
        case 's':
            if (Arg.GetKind() != K::Str)
                FormatError(Fmt);
            Piece = Arg.AsStr();
            if (Precision >= 0 && Piece.size() > static_cast<size_t>(Precision))
                Piece.resize(static_cast<size_t>(Precision));
            break;
        default:
            FormatError(Fmt);
        }
        if (Piece.size() < static_cast<size_t>(Width)) {
            const size_t Pad = static_cast<size_t>(Width) - Piece.size();
            if (Left)
                Piece.append(Pad, ' ');
            else
                Piece.insert(0, Pad, ' ');
        }
        Out += Piece;
    }
    return Out;
}

std::string FloatToStrF(long double Value, int Digits)
{
    return FixedForm(Value, Digits);
}

std::string FloatToStr(long double Value)
{
    return GeneralForm(Value, 15);
}

std::string IntToStr(long long Value)
{
    return std::to_string(Value);
}

// ---------------------------------------------------------------------------
// Quoting in messages

std::string QuoteInMessage(std::string_view Text)
{
    size_t End = 0;
    for (size_t Chars = 0; End < Text.size(); ++Chars) {
        if (Chars == MessageQuoteChars)
            return std::string(Text.substr(0, End)) + "\xE2\x80\xA6";
        // The length of the UTF-8 sequence this byte starts; a byte that
        // starts none, or a sequence cut short, counts as one character.
        const unsigned char Lead = static_cast<unsigned char>(Text[End]);
        size_t Length = 1;
        if (Lead >= 0xC2 && Lead <= 0xDF)
            Length = 2;
        else if (Lead >= 0xE0 && Lead <= 0xEF)
            Length = 3;
        else if (Lead >= 0xF0 && Lead <= 0xF4)
            Length = 4;
        size_t Next = End + 1;
        while (Next < End + Length && Next < Text.size() &&
               (static_cast<unsigned char>(Text[Next]) & 0xC0) == 0x80)
            ++Next;
        End = Next == End + Length ? Next : End + 1;
    }
    return std::string(Text);
}

// ---------------------------------------------------------------------------
// Parsing

namespace {
bool IsBlank(char C)
{
    return C == ' ' || C == '\t';
}
bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

// Significant digits that a conversion reads exactly.  The exact decimal
// value of a point halfway between two neighbouring extended values has at
// most about 11,500 significant digits, so digits beyond this many can only
// tell whether the number lies above such a point: one non-zero digit in
// their place gives the same rounding.
constexpr size_t ExactDigits = 20000;
// Powers of ten beyond these overflow, or underflow to zero, whatever the
// digits; larger exponents are clamped to them.
constexpr long long MaxScale = 100000, MinScale = -200000;

}  // namespace

bool TryStrToFloat(std::string_view S, long double& Value)
{
    // The text is read once; what the conversion is handed is its digits
    // without leading zeros, at most ExactDigits of them, and a power of ten.
    size_t I = 0;
    const size_t N = S.size();
    while (I < N && IsBlank(S[I]))
        ++I;
    bool Negative = false;
    if (I < N && (S[I] == '+' || S[I] == '-')) {
        Negative = S[I] == '-';
        ++I;
    }
    std::string Digits;
    long long Scale = 0;  // the value is Digits * 10^Scale
    bool Dropped = false; // a non-zero digit beyond ExactDigits
    bool AnyDigit = false;
    const auto Take = [&](char C, bool Fraction) {
        AnyDigit = true;
        if (Digits.empty() && C == '0') {
            Scale -= Fraction;
        } else if (Digits.size() < ExactDigits) {
            Digits += C;
            Scale -= Fraction;
        } else {
            Dropped = Dropped || C != '0';
            Scale += !Fraction;
        }
    };
    while (I < N && IsDigit(S[I]))
        Take(S[I++], false);
    if (I < N && S[I] == DecimalSeparator) {
        ++I;
        while (I < N && IsDigit(S[I]))
            Take(S[I++], true);
    }
    if (!AnyDigit)
        return false;
    if (I < N && (S[I] == 'e' || S[I] == 'E')) {
        ++I;
        bool NegativeExp = false;
        if (I < N && (S[I] == '+' || S[I] == '-'))
            NegativeExp = S[I++] == '-';
        if (I >= N || !IsDigit(S[I]))
            return false;
        long long Exp = 0;
        while (I < N && IsDigit(S[I])) {
            if (Exp < 1000000000000LL)
                Exp = Exp * 10 + (S[I] - '0');
            ++I;
        }
        Scale += NegativeExp ? -Exp : Exp;
    }
    while (I < N && IsBlank(S[I]))
        ++I;
    if (I != N)
        return false;
    if (Dropped) {
        Digits += '1';
        --Scale;
    }
    std::string Norm;
    Norm.reserve(Digits.size() + 24);
    if (Negative)
        Norm += '-';
    if (Digits.empty()) {
        Norm += '0';
    } else {
        Norm += Digits;
        Norm += 'e';
        Norm += std::to_string(std::clamp(Scale, MinScale, MaxScale));
    }
    errno = 0;
    char* End = nullptr;
    long double V = strtold_l(Norm.c_str(), &End, CLocale());
    if (End != Norm.c_str() + Norm.size())
        return false;
    if (errno == ERANGE && std::isinf(V))
        return false;
    // The parser may leave inexact/underflow flags; they are not errors.
    Value = V;
    return true;
}

long double StrToFloat(std::string_view S)
{
    long double Value = 0;
    if (!TryStrToFloatView(S, Value))
        throw EConvertError(Format(SInvalidFloat, QuoteInMessage(S)));
    return Value;
}

bool TryStrToInt(std::string_view S, int& Value)
{
    size_t I = 0, N = S.size();
    while (I < N && IsBlank(S[I]))
        ++I;
    bool Negative = false;
    if (I < N && (S[I] == '+' || S[I] == '-')) {
        Negative = S[I] == '-';
        ++I;
    }
    int Base = 10;
    if (I < N && S[I] == '$') {
        Base = 16;
        ++I;
    } else if (I + 1 < N && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
        Base = 16;
        I += 2;
    }
    if (I >= N)
        return false;
    unsigned long long Magnitude = 0;
    for (; I < N; ++I) {
        int D;
        char C = S[I];
        if (IsDigit(C))
            D = C - '0';
        else if (Base == 16 && C >= 'a' && C <= 'f')
            D = C - 'a' + 10;
        else if (Base == 16 && C >= 'A' && C <= 'F')
            D = C - 'A' + 10;
        else
            return false;
        Magnitude = Magnitude * static_cast<unsigned>(Base) + static_cast<unsigned>(D);
        if (Magnitude > 0xFFFFFFFFULL)
            return false;
    }
    long long V;
    if (Base == 16) {
        // Hexadecimal covers the whole 32-bit pattern.
        V = static_cast<std::int32_t>(static_cast<std::uint32_t>(Magnitude));
        if (Negative)
            V = static_cast<std::int32_t>(0U - static_cast<std::uint32_t>(V));
    } else {
        V = Negative ? -static_cast<long long>(Magnitude) : static_cast<long long>(Magnitude);
        if (V < INT_MIN || V > INT_MAX)
            return false;
    }
    Value = static_cast<int>(V);
    return true;
}

int StrToInt(std::string_view S)
{
    int Value = 0;
    if (!TryStrToInt(S, Value))
        throw EConvertError(Format(SInvalidInteger, QuoteInMessage(S)));
    return Value;
}

// ---------------------------------------------------------------------------
// Text helpers

std::string UpperCase(const std::string& S)
{
    std::string R = S;
    for (char& C : R)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return R;
}

std::string LowerCase(const std::string& S)
{
    std::string R = S;
    for (char& C : R)
        if (C >= 'A' && C <= 'Z')
            C = static_cast<char>(C - 'A' + 'a');
    return R;
}

bool SameText(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && UpperCase(A) == UpperCase(B);
}

std::string Trim(const std::string& S)
{
    size_t B = 0, E = S.size();
    while (B < E && static_cast<unsigned char>(S[B]) <= ' ')
        ++B;
    while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ')
        --E;
    return S.substr(B, E - B);
}

std::vector<std::string> TextToLines(std::string_view Text)
{
    std::vector<std::string> Lines;
    std::size_t P = 0;
    while (P < Text.size()) {
        const std::size_t Start = P;
        while (P < Text.size() && Text[P] != '\r' && Text[P] != '\n')
            ++P;
        Lines.emplace_back(Text.substr(Start, P - Start));
        if (P < Text.size() && Text[P] == '\r')
            ++P;
        if (P < Text.size() && Text[P] == '\n')
            ++P;
    }
    return Lines;
}

// ---------------------------------------------------------------------------
// Bulk number conversion

bool TryStrToFloatView(std::string_view S, long double& Value)
{
    // Exact powers of ten: 10^k = 2^k * 5^k is exact in 64 mantissa bits up
    // to k = 27; 19 is all this path needs.
    static const long double Pow10[20] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                          1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                          1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L};
    const char* P = S.data();
    const char* const End = P + S.size();
    bool Negative = false;
    if (P < End && *P == '-') {
        Negative = true;
        ++P;
    }
    unsigned long long Mantissa = 0;
    int Digits = 0, Fraction = 0;
    // A twentieth digit already sends the text to the general conversion.
    while (P < End && IsDigit(*P) && Digits <= 19) {
        Mantissa = Mantissa * 10 + static_cast<unsigned>(*P++ - '0');
        ++Digits;
    }
    bool Simple = Digits > 0;
    if (Simple && P < End && *P == DecimalSeparator) {
        ++P;
        while (P < End && IsDigit(*P) && Digits <= 19) {
            Mantissa = Mantissa * 10 + static_cast<unsigned>(*P++ - '0');
            ++Digits;
            ++Fraction;
        }
    }
    if (Simple && P == End && Digits <= 19) {
        long double V = static_cast<long double>(Mantissa);
        if (Fraction > 0)
            V /= Pow10[Fraction];
        Value = Negative ? -V : V;
        return true;
    }
    return TryStrToFloat(S, Value);
}

char* FloatToText(char* Out, double Value)
{
    if (Value > -1e15 && Value < 1e15 && Value == static_cast<double>(static_cast<long long>(Value)))
        return std::to_chars(Out, Out + FloatTextMax, static_cast<long long>(Value)).ptr;
    if (!std::isfinite(Value)) {
        const char* Text = std::isnan(Value) ? "NAN" : Value < 0 ? "-INF" : "INF";
        const size_t Size = std::strlen(Text);
        std::memcpy(Out, Text, Size);
        return Out + Size;
    }
    // Scientific digits "d.ddde[+-]xx" of the magnitude rounded to 15
    // digits, half to even: the exact value of the double is rounded once,
    // as the extended conversion rounds it.
    const double Magnitude = std::fabs(Value);
    char Sci[40];
    const char* const End =
        std::to_chars(Sci, Sci + sizeof Sci, Magnitude, std::chars_format::scientific, 14).ptr;
    const char* const E = static_cast<const char*>(std::memchr(Sci, 'e', static_cast<size_t>(End - Sci)));
    char Digits[20];
    int Count = 0;
    for (const char* P = Sci; P < E; ++P)
        if (*P != '.')
            Digits[Count++] = *P;
    while (Count > 1 && Digits[Count - 1] == '0')
        --Count;
    int Exp = 0;
    std::from_chars(E + 1 + (E[1] == '+'), End, Exp);

    char* P = Out;
    if (Value < 0)
        *P++ = '-';
    if (Exp < -4 || Exp >= 15) {
        *P++ = Digits[0];
        if (Count > 1) {
            *P++ = DecimalSeparator;
            std::memcpy(P, Digits + 1, static_cast<size_t>(Count - 1));
            P += Count - 1;
        }
        *P++ = 'E';
        return std::to_chars(P, P + 8, Exp).ptr;
    }
    if (Exp < 0) {
        *P++ = '0';
        *P++ = DecimalSeparator;
        for (int I = 0; I < -Exp - 1; ++I)
            *P++ = '0';
        std::memcpy(P, Digits, static_cast<size_t>(Count));
        return P + Count;
    }
    const int IntDigits = Exp + 1;
    if (Count <= IntDigits) {
        std::memcpy(P, Digits, static_cast<size_t>(Count));
        P += Count;
        for (int I = Count; I < IntDigits; ++I)
            *P++ = '0';
        return P;
    }
    std::memcpy(P, Digits, static_cast<size_t>(IntDigits));
    P += IntDigits;
    *P++ = DecimalSeparator;
    std::memcpy(P, Digits + IntDigits, static_cast<size_t>(Count - IntDigits));
    return P + (Count - IntDigits);
}

std::string FloatToStrFast(double Value)
{
    char Buf[FloatTextMax];
    return std::string(Buf, FloatToText(Buf, Value));
}
