// NetAvailable, seen through a scan-complete notification (code 7): it posts
// lParam 1 exactly when the connections manager reports a connected connection.
// Whatever step fails, everything obtained is given back: no object stays
// alive, no properties record stays out and netshell.dll is unloaded again.
#include "ressin_fixture.h"

using namespace ressin_test;

namespace {

class NetAvailable : public WithMobilityCenter<InitialisedRessin> {
 protected:
  // Posted lParams for one scan-complete notification.
  size_t ScanComplete() {
    service_.Clear();
    EXPECT_EQ(1u, WlanNotify(kSourceAcm, 7));
    return service_.Messages().size();
  }

  // The figure after the last ", " of the last line holding text; -1 when none.
  static int LastFigure(const std::vector<std::string>& calls, const std::string& text) {
    int figure = -1;
    for (const auto& c : calls)
      if (c.find(text) != std::string::npos) figure = atoi(c.c_str() + c.rfind(", ") + 2);
    return figure;
  }

  static void ExpectEverythingReleased(const std::vector<std::string>& calls) {
    if (Contains(calls, "CreateInstance(INetConnectionManager) = 0x0")) {
      EXPECT_EQ(0, LastFigure(calls, "objects alive")) << "a COM object was not released";
    }
    const int records = CountCalls(calls, "= 0x0, status");
    EXPECT_EQ(records, CountCalls(calls, "NcFreeNetconProperties")) << "properties records freed";
    if (records) {
      EXPECT_EQ(0, LastFigure(calls, "records out"));
    }
    EXPECT_EQ(1, CountCalls(calls, "DllMain(PROCESS_ATTACH)"));
    EXPECT_EQ(1, CountCalls(calls, "DllMain(PROCESS_DETACH, FreeLibrary)"))
        << "netshell.dll is unloaded again";
  }
};

TEST_F(NetAvailable, ConnectedConnectionAnywhereInTheListCounts) {
  SetStringKnob("netshell", "Connections", "0,7,2,0");
  EXPECT_EQ(1u, ScanComplete());
  const auto calls = Calls("netshell");
  EXPECT_TRUE(Contains(calls, "CreateInstance(INetConnectionManager) = 0x0"));
  EXPECT_TRUE(Contains(calls, "EnumConnections(0) = 0x0"));
  EXPECT_TRUE(Contains(calls, "GetProperties(connection 2) = 0x0, status 2"));
  EXPECT_FALSE(Contains(calls, "connection 3")) << "the search stops at the connected one";
  EXPECT_EQ(3, CountCalls(calls, "NcFreeNetconProperties"));
  ExpectEverythingReleased(calls);
}

TEST_F(NetAvailable, NoConnectedConnectionPostsNothing) {
  for (const char* connections : {"", "0", "0,1,3,7"}) {
    testkit::ResetJournal();
    SetStringKnob("netshell", "Connections", connections);
    EXPECT_EQ(0u, ScanComplete()) << connections;
    const auto calls = Calls("netshell");
    EXPECT_TRUE(Contains(calls, "Next(1) = 0x1, 0 fetched")) << "every connection is read";
    ExpectEverythingReleased(calls);
  }
}

TEST_F(NetAvailable, EachFailingStepCountsAsNoNetwork) {
  const struct {
    const char* knob;
    const char* connections;
    const char* failedCall;
  } steps[] = {
      {"CreateInstance", "2", "CreateInstance(INetConnectionManager) = 0x80004005"},
      {"EnumConnections", "2", "EnumConnections(0) = 0x80004005"},
      {"Next", "2", "Next(1) = 0x80004005"},
      {"GetProperties0", "2", "GetProperties(connection 0) = 0x80004005"},
      // A failing connection ends the search even though a later one is
      // connected.
      {"GetProperties1", "0,2,2", "GetProperties(connection 1) = 0x80004005"},
  };
  for (const auto& step : steps) {
    testkit::ClearKnobs();
    testkit::ResetJournal();
    SetStringKnob("netshell", "Connections", step.connections);
    testkit::SetKnob("netshell", step.knob, DWORD(E_FAIL));
    EXPECT_EQ(0u, ScanComplete()) << step.knob;
    const auto calls = Calls("netshell");
    EXPECT_TRUE(Contains(calls, step.failedCall)) << step.knob;
    EXPECT_FALSE(Contains(calls, "connection 2")) << step.knob;
    ExpectEverythingReleased(calls);
  }
}

// The library files are swapped by renaming: the prefix is a hard-link clone,
// so writing into the installed file would change every other prefix too.
class SwappedNetshell {
 public:
  explicit SwappedNetshell(const std::wstring& replacement) {
    moved_ = MoveFileW(installed_.c_str(), aside_.c_str()) != FALSE;
    if (!replacement.empty()) CopyFileW(replacement.c_str(), installed_.c_str(), TRUE);
  }
  ~SwappedNetshell() {
    DeleteFileW(installed_.c_str());
    if (moved_) MoveFileW(aside_.c_str(), installed_.c_str());
  }
  bool Moved() const { return moved_; }

 private:
  std::wstring installed_ = System32(L"netshell.dll");
  std::wstring aside_ = System32(L"netshell.dll.aside");
  bool moved_ = false;
};

TEST_F(NetAvailable, MissingNetshellCountsAsNoNetwork) {
  SetStringKnob("netshell", "Connections", "2");
  SwappedNetshell gone(L"");
  ASSERT_TRUE(gone.Moved());
  EXPECT_EQ(0u, ScanComplete());
  EXPECT_TRUE(Calls("netshell").empty());
}

TEST_F(NetAvailable, NetshellWithoutNcFreeNetconPropertiesCountsAsNoNetwork) {
  SetStringKnob("netshell", "Connections", "2");
  SwappedNetshell variant(testkit::BinDir() + L"\\testbed\\variants\\no-ncfree\\netshell.dll");
  ASSERT_TRUE(variant.Moved());
  EXPECT_EQ(0u, ScanComplete());
  const auto calls = Calls("netshell");
  EXPECT_TRUE(Contains(calls, "DllMain(PROCESS_ATTACH)")) << "the variant was loaded";
  EXPECT_FALSE(Contains(calls, "CreateInstance")) << "no manager without the free function";
  EXPECT_TRUE(Contains(calls, "DllMain(PROCESS_DETACH, FreeLibrary)"));
}

}  // namespace
