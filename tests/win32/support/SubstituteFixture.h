// A test on a fresh dialog whose heap queries go to the substitute service,
// which starts empty; at the end no buffer may be left alive or misused.
#pragma once

#include <gtest/gtest.h>

#include "LiveDialog.h"
#include "support/SubstituteHeapQuery.h"

class SubstituteFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSubstituteScenario({});
    ResetSubstituteCounters();
    dlg.UseSubstituteService();
  }
  void TearDown() override {
    EXPECT_EQ(LiveSubstituteBuffers(), 0);
    EXPECT_EQ(SubstituteMisuses(), 0) << ::testing::PrintToString(SubstituteMisuseLog());
    const SubstituteCounters counters = SubstituteCountersNow();
    EXPECT_EQ(counters.creations, counters.destructions);
    SetSubstituteScenario({});
  }

  LiveDialog dlg;
};
