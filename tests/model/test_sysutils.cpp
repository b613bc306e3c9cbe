#include <gtest/gtest.h>

#include "AASCls.h"
#include "SysUtils.h"

TEST(Format, IntegersFloatsAndTexts)
{
    EXPECT_EQ(Format("List index out of bounds (%d)", 5), "List index out of bounds (5)");
    EXPECT_EQ(Format("Replicate #%.3d", 7), "Replicate #007");
    EXPECT_EQ(Format("%f", 1.5), "1.50");
    EXPECT_EQ(Format("%.3f %s", 2.0, "ppm"), "2.000 ppm");
}
