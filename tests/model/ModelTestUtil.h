// Helpers shared by the data model tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "SysUtils.h"

// Runs F and expects an exception of type E with exactly the message Msg.
template <class E, class F>
::testing::AssertionResult Raises(F&& Fn, const std::string& Msg)
{
    try {
        Fn();
    } catch (const E& Err) {
        if (Msg == Err.what())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "message \"" << Err.what() << "\", expected \"" << Msg << "\"";
    } catch (const std::exception& Err) {
        return ::testing::AssertionFailure() << "other exception " << typeid(Err).name() << ": " << Err.what();
    }
    return ::testing::AssertionFailure() << "nothing raised, expected \"" << Msg << "\"";
}

// Sets the decimal separator for one test and restores it afterwards.
class SeparatorScope {
public:
    explicit SeparatorScope(char Sep) : FOld(DecimalSeparator) { DecimalSeparator = Sep; }
    ~SeparatorScope() { DecimalSeparator = FOld; }
    SeparatorScope(const SeparatorScope&) = delete;
    SeparatorScope& operator=(const SeparatorScope&) = delete;

private:
    char FOld;
};
