// The real Pelvari.dll loaded into this process: its exports by name and
// ordinal, its by-ordinal imports from MurocApi.dll, and a call through each.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "entry.h"
#include "handles.h"
#include "contract.h"
#include "notebook_fixture.h"
#include "journal.h"

namespace {

class PelvariDll : public testkit::FreshNotebook {
 protected:
  void SetUp() override {
    FreshNotebook::SetUp();
    module_.reset(LoadLibraryW((testkit::BinDir() + L"\\Pelvari.dll").c_str()));
    ASSERT_TRUE(module_) << GetLastError();
  }
  suite::UniqueModule module_;
};

TEST_F(PelvariDll, ExportsPelvarInitAsOneAndPelvarRadioAsTwo) {
  FARPROC init = GetProcAddress(module_.get(), "PelvarInit");
  FARPROC radio = GetProcAddress(module_.get(), "PelvarRadio");
  ASSERT_NE(nullptr, init);
  ASSERT_NE(nullptr, radio);
  EXPECT_EQ(init, GetProcAddress(module_.get(), MAKEINTRESOURCEA(1)));
  EXPECT_EQ(radio, GetProcAddress(module_.get(), MAKEINTRESOURCEA(2)));
}

TEST_F(PelvariDll, ImportsMurocApiByOrdinalOnly) {
  auto base = reinterpret_cast<const BYTE*>(module_.get());
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(0u, dir.VirtualAddress);
  std::set<WORD> ordinals;
  int byName = 0;
  for (auto desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       desc->Name; ++desc) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), "MurocApi.dll") != 0) continue;
    for (auto thunk = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + desc->OriginalFirstThunk);
         thunk->u1.Ordinal; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal))
        ordinals.insert(WORD(IMAGE_ORDINAL32(thunk->u1.Ordinal)));
      else
        ++byName;
    }
  }
  EXPECT_EQ((std::set<WORD>{16, 107, 148, 273}), ordinals);
  EXPECT_EQ(0, byName);
}

TEST_F(PelvariDll, CallsReachTheWirelessLibrary) {
  testkit::SetKnob("MurocApi", "AdapterCount", 1);
  testkit::SetKnob("MurocApi", "Adapter0ZeroConfig", 0);
  auto init = suite::GetEntry<PFN_WlanInit>(module_.get(), "PelvarInit");
  auto radio = suite::GetEntry<PFN_WlanRadio>(module_.get(), "PelvarRadio");
  ASSERT_NE(nullptr, init);
  ASSERT_NE(nullptr, radio);
  EXPECT_EQ(1, init(0));
  radio(0);
  const std::vector<std::string> expected = {
      "MurocApi GetAdapterList(120, 0x6224) = 0 [count 1]",
      "MurocApi IsXpZeroConfigEnabled(0xa000) = 0 [answer 0]",
      "MurocApi SetZeroConfig(0xa000, 1) = 0",
      "MurocApi GetAdapterList(120, 0x6224) = 0 [count 1]",
      "MurocApi SetRadio(0xa000, 0) = 0",
  };
  EXPECT_EQ(expected, testkit::JournalCalls("MurocApi"));
  EXPECT_EQ(0u, testbed::KnobDword("MurocApi", "Adapter0Radio", 0xdead));
}

}  // namespace
