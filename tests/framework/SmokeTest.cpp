#include "framework/Exception.h"
#include <gtest/gtest.h>
TEST(Smoke, Format) { EXPECT_EQ(hivelark::Format("%s-%d", "a", 1), "a-1"); }
