// A test suite that shares one running heap target: the substitute service
// describes its heaps, and every test starts with a fresh dialog that has
// the target chosen.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "LiveDialog.h"
#include "support/SubstituteHeapQuery.h"
#include "support/TargetProcess.h"
#include "support/TargetReport.h"

class TargetFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_target = TargetProcess::Start("");
    if (s_target) SetSubstituteScenario(ScenarioFromReport(s_target->Report()));
  }
  static void TearDownTestSuite() {
    s_target.reset();
    SetSubstituteScenario({});
  }
  void SetUp() override {
    ASSERT_TRUE(s_target.has_value()) << TargetStartError();
    dlg.UseSubstituteService();
    ASSERT_TRUE(dlg.ChooseProcessId(s_target->ProcessId()));
  }
  const TargetReport& Report() const { return s_target->Report(); }
  uint32_t TargetId() const { return s_target->ProcessId(); }

  static inline std::optional<TargetProcess> s_target;
  LiveDialog dlg;
};
