// The simulated Windows' fault plan: a fault named after a call it does not
// check would never fire, so such a name is refused where it is planted.
#include "platform_sim/faults.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(Faults, AMisspeltCallIsRefusedAndAKnownOneFailsItsNthCall) {
  platform::sim::Faults faults;
  for (const char* misspelt : {"DeletePrinterW", "RegSetValueEx", "regsetvalueexw", ""}) {
    EXPECT_THROW(faults.fail(misspelt, platform::kErrorAccessDenied), std::invalid_argument)
        << misspelt;
    EXPECT_THROW(faults.calls(misspelt), std::invalid_argument) << misspelt;
    EXPECT_THROW(faults.check(misspelt), std::invalid_argument) << misspelt;
  }
  faults.fail("DeletePrinter", platform::kErrorAccessDenied, 2);
  EXPECT_EQ(faults.check("DeletePrinter"), platform::kErrorSuccess);
  EXPECT_EQ(faults.check("DeletePrinter"), platform::kErrorAccessDenied);
  EXPECT_EQ(faults.check("DeletePrinter"), platform::kErrorSuccess);
  EXPECT_EQ(faults.calls("DeletePrinter"), 3);
}

}  // namespace
