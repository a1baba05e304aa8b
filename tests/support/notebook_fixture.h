// What tests share on top of notebook.h: the fixture most of them start from.
#pragma once

#include <gtest/gtest.h>

#include "notebook.h"

namespace testkit {

// No stand-in knob set and an empty journal, so nothing an earlier case did
// shows in this one.
class FreshNotebook : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearKnobs();
    ResetJournal();
  }
};

}  // namespace testkit
