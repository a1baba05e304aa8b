// CXRes: one decoded picture from the image library, or nothing.
#include "osd_fixture.h"

#include <psapi.h>

namespace {

TEST(CXRes, LoadsAPictureById) {
  CXRes holder;
  ASSERT_TRUE(holder.LoadFromResource(478));
  ASSERT_NE(nullptr, holder.Image());
  EXPECT_EQ(19u, holder.Width());
  EXPECT_EQ(12u, holder.Height());
  ASSERT_TRUE(holder.LoadFromResource(201));
  EXPECT_EQ(10u, holder.Width());
  EXPECT_EQ(20u, holder.Height());
}

TEST(CXRes, IdZeroAndMissingIdsLoadNothingAndKeepTheLastSize) {
  CXRes holder;
  ASSERT_TRUE(holder.LoadFromResource(478));
  for (WORD id : {WORD(0), WORD(12345), WORD(202)}) {
    EXPECT_FALSE(holder.LoadFromResource(id)) << id;
    EXPECT_EQ(nullptr, holder.Image()) << "a failed load must not keep the earlier picture";
    EXPECT_EQ(19u, holder.Width());
    EXPECT_EQ(12u, holder.Height());
  }
}

// GDI+ short of memory: its allocator gives null for the bitmap object.
extern "C" void* gdipAllocSlot __asm__("__imp__GdipAlloc@4");
void* WINAPI NoMemory(size_t) { return nullptr; }

TEST(CXRes, BytesThatAreNotAPngOrNoMemoryForTheBitmapLoadNothing) {
  CXRes holder;
  EXPECT_FALSE(holder.LoadFromResource(999));
  EXPECT_EQ(nullptr, holder.Image());
  void* const real = testkit::SwapImport(&gdipAllocSlot, reinterpret_cast<void*>(NoMemory));
  const bool loaded = holder.LoadFromResource(463);
  testkit::SwapImport(&gdipAllocSlot, real);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(nullptr, holder.Image());
  // And the holder is usable again at once.
  EXPECT_TRUE(holder.LoadFromResource(463));
}

TEST(CXRes, RepeatedLoadsAndReleasesLeakNoMemory) {
  CXRes holder;
  PROCESS_MEMORY_COUNTERS before = {};
  for (int round = 0; round < 2; ++round) {
    if (round == 1) {
      HANDLE process = GetCurrentProcess();
      K32GetProcessMemoryInfo(process, &before, sizeof before);
    }
    for (int i = 0; i < 2000; ++i) {
      holder.LoadFromResource(478);
      holder.LoadFromResource(999);
      holder.LoadFromResource(0);
    }
  }
  PROCESS_MEMORY_COUNTERS after = {};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  // 6000 loads of a few hundred bytes each: a leak per load would show in megabytes.
  EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 2 * 1024 * 1024);
}

TEST(CXRes, ReleaseIsIdempotentAndAHolderThatNeverLoadedIsHarmless) {
  CXRes never;
  never.Release();
  CXRes holder;
  ASSERT_TRUE(holder.LoadFromResource(478));
  holder.Release();
  holder.Release();
  EXPECT_EQ(nullptr, holder.Image());
}

TEST(CXRes, WithoutTheImageLibraryEveryLoadFails) {
  FreeImageLibrary();
  {
    CXRes holder;
    for (WORD id : {WORD(478), WORD(201), WORD(461)}) EXPECT_FALSE(holder.LoadFromResource(id));
    EXPECT_EQ(nullptr, holder.Image());
  }
  // Back as initialisation leaves it, for the tests after this one.
  ShutdownGdiplus();
  LoadImageLibrary();
  CXRes holder;
  EXPECT_TRUE(holder.LoadFromResource(478));
}

TEST(CXRes, WithoutGdiplusNothingIsDecoded) {
  ShutdownGdiplus();
  {
    CXRes holder;
    EXPECT_FALSE(holder.LoadFromResource(478));
    EXPECT_EQ(nullptr, holder.Image());
  }
  FreeImageLibrary();
  LoadImageLibrary();
}

}  // namespace

// Set up once for the program, under the tests' common main.
::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ImageEnvironment);
