#include <gtest/gtest.h>

#include <clocale>
#include <locale.h>
#include <cstdlib>

#include "ModelTestUtil.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The C library keeps the parsed locale search path (LOCPATH) for good.
#define IGNORE_LIBC_LEAKS() __lsan::ScopedDisabler LibcLeaks
#else
#define IGNORE_LIBC_LEAKS()
#endif
#include "SysUtils.h"

TEST(Format, IntegersFloatsAndTexts)
{
    EXPECT_EQ(Format("List index out of bounds (%d)", 5), "List index out of bounds (5)");
    EXPECT_EQ(Format("[%d;%d] is not a valid interval", -1, 2), "[-1;2] is not a valid interval");
    EXPECT_EQ(Format("Replicate #%.3d", 7), "Replicate #007");
    EXPECT_EQ(Format("Replicate #%.3d", 1234), "Replicate #1234");
    EXPECT_EQ(Format("%.3d", -7), "-007");
    EXPECT_EQ(Format("%f", 1.5), "1.50");
    EXPECT_EQ(Format("%f", -2.0), "-2.00");
    EXPECT_EQ(Format("%.3f %s", 2.0, "ppm"), "2.000 ppm");
    EXPECT_EQ(Format("%5d|%-5s|%x|%%", 42, "ab", 255), "   42|ab   |FF|%");
    EXPECT_EQ(Format("%.2s", std::string("abc")), "ab");
    EXPECT_EQ(Format("%g", 0.5), "0.5");
    EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
}

TEST(Format, FloatsRoundToNearestWithExactHalvesToEven)
{
    EXPECT_EQ(Format("%f", 1.237), "1.24");
    EXPECT_EQ(Format("%f", 0.125), "0.12");  // exactly representable half
    EXPECT_EQ(Format("%f", 0.375), "0.38");
    EXPECT_EQ(Format("%f", 1.005), "1.00");  // stored just below the half
    EXPECT_EQ(Format("%f", -0.001), "0.00");
    EXPECT_EQ(Format("%f", 1e20), "100000000000000000000.00");
    EXPECT_EQ(Format("%.0f", 2.5), "2");
}

TEST(Format, MismatchedArgumentsAreConvertErrors)
{
    const std::string Msg = "Format '%d' invalid or incompatible with argument";
    EXPECT_TRUE(Raises<EConvertError>([] { Format("%d", 1.5); }, Msg));
    EXPECT_TRUE(Raises<EConvertError>([] { Format("%d"); }, Msg));
    EXPECT_THROW(Format("%f", 3), EConvertError);
    EXPECT_THROW(Format("%s", 3), EConvertError);
    EXPECT_THROW(Format("%q", 3), EConvertError);
    EXPECT_THROW(Format("abc%"), EConvertError);
}

TEST(DecimalSeparator, CommaForWritingAndReading)
{
    SeparatorScope Comma(',');
    EXPECT_EQ(Format("%f", -2.0), "-2,00");
    EXPECT_EQ(Format("%.3f", 0.5), "0,500");
    EXPECT_EQ(FloatToStr(0.25), "0,25");
    EXPECT_EQ(FloatToStr(9e-5), "9E-5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
    EXPECT_EQ(StrToFloat("1,25"), 1.25L);
    EXPECT_TRUE(Raises<EConvertError>([] { StrToFloat("1.25"); }, "'1.25' is not a valid floating point value"));
}

// A German locale (comma separator) compiled into a private folder, so the
// tests do not depend on the locales installed on the machine.
class CommaLocale : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char Dir[] = "/tmp/velor_locXXXXXX";
        if (mkdtemp(Dir) == nullptr)
            return;
        FDir = Dir;
        const std::string Cmd = "localedef -i de_DE -f UTF-8 " + FDir + "/de_DE.UTF-8 >/dev/null 2>&1";
        FReady = std::system(Cmd.c_str()) == 0;
    }
    static void TearDownTestSuite()
    {
        if (!FDir.empty() && std::system(("rm -rf " + FDir).c_str()) != 0)
            ADD_FAILURE() << "could not remove " << FDir;
    }
    void SetUp() override
    {
        if (!FReady)
            GTEST_SKIP() << "localedef could not build a German locale";
        const char* Old = std::getenv("LC_ALL");
        FHadLcAll = Old != nullptr;
        FOldLcAll = Old ? Old : "";
        setenv("LOCPATH", FDir.c_str(), 1);
        setenv("LC_ALL", "de_DE.UTF-8", 1);
    }
    void TearDown() override
    {
        unsetenv("LOCPATH");
        if (FHadLcAll)
            setenv("LC_ALL", FOldLcAll.c_str(), 1);
        else
            unsetenv("LC_ALL");
    }
    static inline std::string FDir;
    static inline bool FReady = false;
    bool FHadLcAll = false;
    std::string FOldLcAll;
};

TEST_F(CommaLocale, SeparatorIsReadFromTheEnvironment)
{
    IGNORE_LIBC_LEAKS();
    SeparatorScope Keep('.');
    InitDecimalSeparatorFromLocale();
    EXPECT_EQ(DecimalSeparator, ',');
    setenv("LC_ALL", "C", 1);
    InitDecimalSeparatorFromLocale();
    EXPECT_EQ(DecimalSeparator, '.');
}

TEST_F(CommaLocale, NumbersIgnoreTheCLibraryLocale)
{
    // A program switches the C locale to the user's; the model keeps its own
    // separator for writing and reading.
    IGNORE_LIBC_LEAKS();
    locale_t German = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    ASSERT_NE(German, static_cast<locale_t>(nullptr));
    locale_t Old = uselocale(German);
    SeparatorScope Point('.');
    EXPECT_EQ(Format("%f", 1.5), "1.50");
    EXPECT_EQ(FloatToStr(0.5), "0.5");
    EXPECT_EQ(StrToFloat("0.5"), 0.5L);
    EXPECT_THROW(StrToFloat("0,5"), EConvertError);
    uselocale(Old);
    freelocale(German);
}

TEST(FloatToStr, FifteenSignificantDigitsGeneralForm)
{
    EXPECT_EQ(FloatToStr(1234), "1234");
    EXPECT_EQ(FloatToStr(-1000), "-1000");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(0.02), "0.02");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00009), "9E-5");
    EXPECT_EQ(FloatToStr(-0.000012345), "-1.2345E-5");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(999999999999999.0), "999999999999999");
    EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FloatToStr(1e100), "1E100");
    EXPECT_EQ(FloatToStr(0.099999999999999999), "0.1");
}

TEST(FloatToStr, WrittenValuesReadBackTo15Digits)
{
    for (double V : {0.1234567890123456, -98765.4321, 1e-300, 3.0e25, 0.0001, 7.0}) {
        const long double Back = StrToFloat(FloatToStr(V));
        EXPECT_EQ(FloatToStr(static_cast<double>(Back)), FloatToStr(V));
    }
}

TEST(StrToFloat, AcceptedAndRefusedTexts)
{
    EXPECT_EQ(StrToFloat("12"), 12);
    EXPECT_EQ(StrToFloat("  -1.5  "), -1.5L);
    EXPECT_EQ(StrToFloat("+.5"), 0.5L);
    EXPECT_EQ(StrToFloat("1."), 1);
    EXPECT_EQ(StrToFloat("1e3"), 1000);
    EXPECT_EQ(StrToFloat("2.5E-2"), 0.025L);
    EXPECT_EQ(StrToFloat("1e400"), 1e400L) << "within the extended range";
    for (const char* Bad : {"", " ", "abc", "1,5", "1.2.3", "1e", "e5", "--1", "0x10", "nan", "inf", "1 2", "1e99999"})
        EXPECT_TRUE(Raises<EConvertError>([&] { StrToFloat(Bad); },
                                          std::string("'") + Bad + "' is not a valid floating point value"))
            << Bad;
}

TEST(StrToInt, AcceptedAndRefusedTexts)
{
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt(" -17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("256"), 256);
    for (const char* Bad : {"", "1.0", "2147483648", "12 ", "x", "$", "1e3", "99999999999999999999"})
        EXPECT_TRUE(Raises<EConvertError>([&] { StrToInt(Bad); },
                                          std::string("'") + Bad + "' is not a valid integer value"))
            << Bad;
}

// A quoted text keeps at most 40 characters, counted as UTF-8 characters
// and never cut inside one, and ends in "…" when it had more.
TEST(QuoteInMessage, AtMostFortyCharactersThenAnEllipsis)
{
    const auto Times = [](int Count, const std::string& Text) {
        std::string R;
        for (int I = 0; I < Count; ++I)
            R += Text;
        return R;
    };
    const std::string E = "\xC3\xA9", Euro = "\xE2\x82\xAC", Ellipsis = "\xE2\x80\xA6";
    const struct {
        std::string Text, Quoted;
    } Cases[] = {
        {"", ""},
        {Times(40, E), Times(40, E)},
        {Times(41, E), Times(40, E) + Ellipsis},
        // The euro sign takes bytes 40 to 42, or 39 to 41.
        {Times(39, "a") + Euro, Times(39, "a") + Euro},
        {Times(39, "a") + Euro + "b", Times(39, "a") + Euro + Ellipsis},
        {Times(38, "a") + Euro + "bc", Times(38, "a") + Euro + "b" + Ellipsis},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(QuoteInMessage(C.Text), C.Quoted) << C.Text;
}

TEST(FPCheck, TurnsFlagsIntoErrors)
{
    volatile long double Zero = 0, One = 1, Big = 1e308;
    FPClear();
    EXPECT_NO_THROW(FPCheck());

    EXPECT_TRUE(Raises<EZeroDivide>([&] { FPClear(); FPChecked(One / Zero); }, "Floating point division by zero"));
    EXPECT_TRUE(Raises<EInvalidOp>([&] { FPClear(); FPChecked(Zero / Zero); }, "Invalid floating point operation"));
    EXPECT_TRUE(Raises<EOverflow>([&] { FPClear(); FPChecked(static_cast<double>(Big * 10)); },
                                  "Floating point overflow"));
    EXPECT_NO_THROW(FPCheck()) << "a reported error clears the flags";

    TFPGuard Guard;
    volatile double Third = static_cast<double>(One / 3);
    (void)Third;
    EXPECT_NO_THROW(Guard.Check()) << "inexact results are no error";

    // All are math errors and all are Exceptions.
    EXPECT_THROW({ FPClear(); FPChecked(One / Zero); }, EMathError);
    EXPECT_THROW(throw EOverflow(), Exception);
}

TEST(ToDouble, OverflowAndRounding)
{
    EXPECT_EQ(ToDouble(0.1L), 0.1);
    EXPECT_TRUE(Raises<EOverflow>([] { ToDouble(1e309L); }, "Floating point overflow"));
    EXPECT_THROW(ToDouble(-1e4000L), EOverflow);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(Trunc(-1.9L), -1);
    EXPECT_EQ(Trunc(114.99999L), 114);
    EXPECT_THROW(Trunc(1e19L), EInvalidOp);
}

TEST(TextHelpers, CaseAndBlanks)
{
    EXPECT_TRUE(SameText("##Title", "##TITLE"));
    EXPECT_FALSE(SameText("##Title", "##Titles"));
    EXPECT_EQ(UpperCase("a.ast"), "A.AST");
    EXPECT_EQ(LowerCase("AbC"), "abc");
    EXPECT_EQ(Trim("  x y \t"), "x y");
}
