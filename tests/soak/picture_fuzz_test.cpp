// CXRes and the OSD frame over an image library of broken and unusual "PNG"
// resources (random bytes, a PNG signature before noise, damaged and cut-short
// PNGs, absurd header sizes): no crash, nothing kept from a failed load, nothing
// drawn from it, and nothing leaked however often it is tried.
#include "../osd/osd_fixture.h"

namespace {

constexpr WORD kFirstBroken = 1000;
constexpr WORD kBrokenCount = 200;
// Every fifth broken picture is a well-formed PNG whose header gives an absurd size.
bool AbsurdSize(WORD id) { return (id - kFirstBroken) % 5 == 4; }

const struct {
  WORD id;
  UINT width;
  UINT height;
} kUnusualButValid[] = {{2000, 1, 1}, {2001, 400, 300}, {2002, 190, 120}, {2003, 3, 500}};

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OsdEnvironment(L"tests\\fuzz-images\\Pictor.dll"));

void DrawPicture(WORD id) {
  SetRequest(id, 0, 0);
  DrawOSDFrame();
}

TEST(PictureFuzz, AHolderIsEitherEmptyOrHoldsWhatItReports) {
  CXRes holder;
  int loaded = 0;
  for (WORD id = kFirstBroken; id < kFirstBroken + kBrokenCount; ++id) {
    const bool ok = holder.LoadFromResource(id);
    if (!ok) {
      EXPECT_EQ(nullptr, holder.Image()) << id;
      continue;
    }
    ++loaded;
    ASSERT_NE(nullptr, holder.Image()) << id;
    EXPECT_EQ(holder.Image()->GetWidth(), holder.Width()) << id;
    EXPECT_EQ(holder.Image()->GetHeight(), holder.Height()) << id;
    EXPECT_GT(holder.Width(), 0u) << id;
  }
  // Damage rarely leaves a decodable picture: most of these must fail.
  EXPECT_LT(loaded, kBrokenCount / 10);
}

TEST(PictureFuzz, AbsurdHeaderSizesLoadNothing) {
  CXRes holder;
  for (WORD id = kFirstBroken; id < kFirstBroken + kBrokenCount; ++id)
    if (AbsurdSize(id)) {
      EXPECT_FALSE(holder.LoadFromResource(id)) << id;
      EXPECT_EQ(nullptr, holder.Image()) << id;
    }
}

TEST(PictureFuzz, UnusualSizesStillLoadAfterBrokenOnes) {
  CXRes holder;
  for (const auto& picture : kUnusualButValid) {
    holder.LoadFromResource(WORD(kFirstBroken + picture.id % kBrokenCount));
    ASSERT_TRUE(holder.LoadFromResource(picture.id)) << picture.id;
    EXPECT_EQ(picture.width, holder.Width());
    EXPECT_EQ(picture.height, holder.Height());
  }
}

TEST(PictureFuzz, ABrokenPictureDrawsAnEmptyFrame) {
  CXRes probe;
  for (WORD id = kFirstBroken; id < kFirstBroken + kBrokenCount; ++id) {
    if (probe.LoadFromResource(id)) continue;
    DrawPicture(id);
    EXPECT_TRUE(FrameIsTransparent()) << id;
  }
  // A valid picture right after still draws.
  DrawPicture(2001);
  EXPECT_FALSE(FrameIsTransparent());
}

TEST(PictureFuzz, RepeatedLoadsAndFramesLeakNothing) {
  auto round = [] {
    CXRes holder;
    for (WORD id = kFirstBroken; id < kFirstBroken + kBrokenCount; ++id) {
      holder.LoadFromResource(id);
      DrawPicture(id);
    }
    for (const auto& picture : kUnusualButValid) DrawPicture(picture.id);
  };
  round();  // GDI+ and the decoder set up what they keep on first use
  const testkit::ProcessResources before = testkit::MeasureResources(GetCurrentProcess());
  for (int i = 0; i < 10; ++i) round();
  const testkit::ProcessResources after = testkit::MeasureResources(GetCurrentProcess());
  ASSERT_NE(0u, before.handles);
  ASSERT_NE(0u, before.gdiObjects);
  EXPECT_LE(after.handles, before.handles + 2);
  EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
  // 2 000 broken loads and frames: a leak per load or frame would show in megabytes.
  EXPECT_LT(after.privateBytes, before.privateBytes + 2 * 1024 * 1024);
  printf("handles %lu -> %lu, GDI objects %lu -> %lu, private bytes %lu -> %lu\n", before.handles,
         after.handles, before.gdiObjects, after.gdiObjects, (unsigned long)before.privateBytes,
         (unsigned long)after.privateBytes);
}

}  // namespace
