// The image library as the OSD uses it: every picture id the service can ask for
// is a "PNG" resource that GDI+ decodes to per-pixel alpha; nothing else is in it;
// the DLL is resources alone. And the test image library whose exact pixels the
// OSD tests rely on.
#include <gtest/gtest.h>
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "handles.h"
#include "notebook.h"

namespace {

using Gdiplus::ARGB;
namespace flat = Gdiplus::DllExports;

const std::set<WORD> kPictorIds = {201, 415, 416, 431, 432, 433, 434, 451, 452, 453, 454,
                                   455, 461, 462, 463, 478, 501, 516, 541, 542, 545, 546};
const WORD kMarkerId = 201;
// Pictures that carry a level: the marker is drawn over their rows 100 to 111.
const WORD kLevelIds[] = {463, 478, 501, 516};

std::wstring PictorPath() { return testkit::BinDir() + L"\\Pictor.dll"; }
std::wstring TestImagesPath() {
  return testkit::BinDir() + L"\\testbed\\variants\\test-images\\Pictor.dll";
}

class GdiplusSession : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token_, &input, nullptr));
  }
  void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

 private:
  ULONG_PTR token_ = 0;
};
const auto* const kGdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusSession);

struct DisposeImage {
  void operator()(Gdiplus::GpBitmap* bitmap) const { flat::GdipDisposeImage(bitmap); }
};
struct ReleaseStream {
  void operator()(IStream* stream) const { stream->Release(); }
};

struct Picture {
  Gdiplus::Status status = Gdiplus::GenericError;
  UINT width = 0;
  UINT height = 0;
  Gdiplus::PixelFormat format = 0;
  std::vector<ARGB> pixels;  // top-down rows
  ARGB At(UINT x, UINT y) const { return pixels[y * width + x]; }
};

BYTE Alpha(ARGB pixel) { return static_cast<BYTE>(pixel >> 24); }

// The bytes of one "PNG" resource; empty when the module has none of that id.
std::vector<BYTE> ResourceBytes(HMODULE module, WORD id) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  if (!resource) return {};
  const DWORD size = SizeofResource(module, resource);
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  if (!data) return {};
  return std::vector<BYTE>(data, data + size);
}

// Decodes the way the service does: GDI+ over a stream on a movable global block.
Picture Decode(const std::vector<BYTE>& bytes) {
  Picture picture;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return picture;
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(block)));
  GlobalUnlock(block);
  IStream* raw = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &raw))) {
    GlobalFree(block);
    return picture;
  }
  std::unique_ptr<IStream, ReleaseStream> stream(raw);

  Gdiplus::GpBitmap* decoded = nullptr;
  picture.status = flat::GdipCreateBitmapFromStream(stream.get(), &decoded);
  std::unique_ptr<Gdiplus::GpBitmap, DisposeImage> bitmap(decoded);
  if (picture.status != Gdiplus::Ok) return picture;
  flat::GdipGetImageWidth(bitmap.get(), &picture.width);
  flat::GdipGetImageHeight(bitmap.get(), &picture.height);
  flat::GdipGetImagePixelFormat(bitmap.get(), &picture.format);

  Gdiplus::GpRect all(0, 0, picture.width, picture.height);
  Gdiplus::BitmapData data{};
  picture.status = flat::GdipBitmapLockBits(bitmap.get(), &all, Gdiplus::ImageLockModeRead,
                                            PixelFormat32bppARGB, &data);
  if (picture.status != Gdiplus::Ok) return picture;
  for (UINT y = 0; y < picture.height; ++y) {
    const auto* row = reinterpret_cast<const ARGB*>(static_cast<const BYTE*>(data.Scan0) +
                                                    static_cast<INT_PTR>(y) * data.Stride);
    picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
  }
  flat::GdipBitmapUnlockBits(bitmap.get(), &data);
  return picture;
}

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR out) {
  reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(
      IS_INTRESOURCE(type) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(type)) : type);
  return TRUE;
}

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
  // A string name cannot be an id; 0 stands for it and fails the comparison.
  reinterpret_cast<std::set<WORD>*>(out)->insert(
      IS_INTRESOURCE(name) ? static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)) : 0);
  return TRUE;
}

std::vector<BYTE> ReadWholeFile(const std::wstring& path) {
  suite::UniqueFileHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::vector<BYTE> bytes(GetFileSize(file.get(), nullptr));
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return {};
  bytes.resize(read);
  return bytes;
}

// Loading such a DLL runs nothing and binds nothing: no entry point, no code, no
// imports, exports or thread-local callbacks; and it may be placed at any base.
void ExpectResourcesOnly(const std::wstring& path) {
  const std::vector<BYTE> file = ReadWholeFile(path);
  ASSERT_GE(file.size(), sizeof(IMAGE_DOS_HEADER));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
  ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
  ASSERT_LE(dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32), file.size());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(file.data() + dos->e_lfanew);
  ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
  ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, nt->OptionalHeader.Magic);

  EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
  EXPECT_FALSE(nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
  EXPECT_EQ(0u, nt->OptionalHeader.AddressOfEntryPoint);
  EXPECT_EQ(0u, nt->OptionalHeader.SizeOfCode);
  for (int entry : {IMAGE_DIRECTORY_ENTRY_EXPORT, IMAGE_DIRECTORY_ENTRY_IMPORT,
                    IMAGE_DIRECTORY_ENTRY_IAT, IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT,
                    IMAGE_DIRECTORY_ENTRY_TLS, IMAGE_DIRECTORY_ENTRY_BOUND_IMPORT}) {
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[entry];
    EXPECT_EQ(0u, directory.VirtualAddress) << "directory " << entry;
    EXPECT_EQ(0u, directory.Size) << "directory " << entry;
  }
  EXPECT_NE(0u, nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].Size);

  const auto* section = IMAGE_FIRST_SECTION(nt);
  const WORD count = nt->FileHeader.NumberOfSections;
  ASSERT_LE(reinterpret_cast<const BYTE*>(section + count), file.data() + file.size());
  for (WORD i = 0; i < count; ++i) {
    const std::string name(reinterpret_cast<const char*>(section[i].Name),
                           strnlen(reinterpret_cast<const char*>(section[i].Name), 8));
    EXPECT_FALSE(section[i].Characteristics & (IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE)) << name;
  }
}

class PictorLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryExW(PictorPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module_) << GetLastError();
  }
  HMODULE module() const { return module_.get(); }

 private:
  suite::UniqueModule module_;
};

TEST_F(PictorLibrary, EveryPictureIdIsAPngWithRealTransparency) {
  static const BYTE kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (WORD id : kPictorIds) {
    SCOPED_TRACE(id);
    const std::vector<BYTE> bytes = ResourceBytes(module(), id);
    ASSERT_GT(bytes.size(), sizeof(kSignature));
    EXPECT_TRUE(std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()));

    const Picture picture = Decode(bytes);
    ASSERT_EQ(Gdiplus::Ok, picture.status);
    EXPECT_EQ(PixelFormat32bppARGB, picture.format);
    const auto alpha = [](BYTE value) { return [value](ARGB p) { return Alpha(p) == value; }; };
    EXPECT_TRUE(std::any_of(picture.pixels.begin(), picture.pixels.end(), alpha(0)));
    EXPECT_TRUE(std::any_of(picture.pixels.begin(), picture.pixels.end(), alpha(255)));
    // Soft edges: something between see-through and solid.
    EXPECT_TRUE(std::any_of(picture.pixels.begin(), picture.pixels.end(),
                            [](ARGB p) { return Alpha(p) > 0 && Alpha(p) < 255; }));
  }
}

TEST_F(PictorLibrary, IconsAreDrawnAtTheSizeOfTheIconArea) {
  for (WORD id : kPictorIds) {
    if (id == kMarkerId) continue;
    SCOPED_TRACE(id);
    const Picture picture = Decode(ResourceBytes(module(), id));
    EXPECT_EQ(190u, picture.width);
    EXPECT_EQ(120u, picture.height);
  }
}

// Drawn 8 rows shorter than it is: 10 x 12 on the screen, one per 12-pixel step.
TEST_F(PictorLibrary, LevelMarkerIsASolidBarTenByTwenty) {
  const Picture marker = Decode(ResourceBytes(module(), kMarkerId));
  ASSERT_EQ(Gdiplus::Ok, marker.status);
  ASSERT_EQ(10u, marker.width);
  ASSERT_EQ(20u, marker.height);
  for (UINT y = 3; y < 17; ++y) EXPECT_EQ(0xFFFFFFFFu, marker.At(5, y)) << "row " << y;
  // Its corners stay clear, so the scale under it shows at its sides.
  EXPECT_EQ(0, Alpha(marker.At(0, 0)));
  EXPECT_EQ(0, Alpha(marker.At(9, 19)));
}

// Nothing solid of the icon itself in the strip the marker is drawn over.
TEST_F(PictorLibrary, LevelPicturesKeepTheMarkerStripQuiet) {
  for (WORD id : kLevelIds) {
    SCOPED_TRACE(id);
    const Picture picture = Decode(ResourceBytes(module(), id));
    ASSERT_EQ(120u, picture.height);
    for (UINT y = 98; y < picture.height; ++y)
      for (UINT x = 0; x < picture.width; ++x)
        ASSERT_LT(int{Alpha(picture.At(x, y))}, 240) << x << "," << y;
  }
}

TEST_F(PictorLibrary, HoldsTheTableIdsAsPngResourcesAndNothingElseButItsVersion) {
  std::vector<std::wstring> types;
  EXPECT_TRUE(EnumResourceTypesW(module(), CollectType, reinterpret_cast<LONG_PTR>(&types)));
  // RT_VERSION (16) by number.
  EXPECT_EQ((std::vector<std::wstring>{L"PNG", L"#16"}), types);

  std::set<WORD> ids;
  EXPECT_TRUE(EnumResourceNamesW(module(), L"PNG", CollectId, reinterpret_cast<LONG_PTR>(&ids)));
  EXPECT_EQ(kPictorIds, ids);
}

TEST_F(PictorLibrary, IdsBesideTheTableAreNotFound) {
  for (WORD id : {0,   1,   200, 202, 414, 417, 430, 435, 450, 456, 460, 464,
                  477, 479, 500, 502, 515, 517, 540, 543, 544, 547, 999, 65535}) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, FindResourceW(module(), MAKEINTRESOURCEW(id), L"PNG")) << id;
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError()) << id;
  }
  // Only the string type "PNG" holds them, not a numbered type.
  EXPECT_EQ(nullptr, FindResourceW(module(), MAKEINTRESOURCEW(478), RT_RCDATA));
}

TEST(PictorModule, IsResourcesOnly) { ExpectResourcesOnly(PictorPath()); }

// The service loads it as an ordinary library.
TEST(PictorModule, LoadsAsALibraryAndServesItsPictures) {
  suite::UniqueModule module(LoadLibraryW(PictorPath().c_str()));
  ASSERT_TRUE(module) << GetLastError();
  const Picture picture = Decode(ResourceBytes(module.get(), 478));
  EXPECT_EQ(Gdiplus::Ok, picture.status);
  EXPECT_EQ(190u, picture.width);
}

class TestImages : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryW(TestImagesPath().c_str()));
    ASSERT_TRUE(module_) << GetLastError();
  }
  Picture Load(WORD id) const { return Decode(ResourceBytes(module_.get(), id)); }
  HMODULE module() const { return module_.get(); }

 private:
  suite::UniqueModule module_;
};

void ExpectFilled(const Picture& picture, UINT width, UINT height, ARGB colour) {
  ASSERT_EQ(Gdiplus::Ok, picture.status);
  EXPECT_EQ(PixelFormat32bppARGB, picture.format);
  ASSERT_EQ(width, picture.width);
  ASSERT_EQ(height, picture.height);
  const auto wrong = std::find_if(picture.pixels.begin(), picture.pixels.end(),
                                  [colour](ARGB p) { return p != colour; });
  EXPECT_EQ(picture.pixels.end(), wrong) << std::hex << "found 0x" << *wrong;
}

TEST_F(TestImages, EachPictureIsOneExactColour) {
  const struct {
    const char* name;
    WORD id;
    UINT width, height;
    ARGB colour;
  } cases[] = {
      {"478 red", 478, 19, 12, 0xFFFF0000},
      {"463 blue", 463, 19, 12, 0xFF0000FF},
      {"201 white marker", 201, 10, 20, 0xFFFFFFFF},
      {"461 transparent", 461, 19, 12, 0x00000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectFilled(Load(c.id), c.width, c.height, c.colour);
  }
}

TEST_F(TestImages, ABrokenPngIsFoundButDoesNotDecode) {
  const std::vector<BYTE> bytes = ResourceBytes(module(), 999);
  ASSERT_EQ(64u, bytes.size());
  EXPECT_NE(Gdiplus::Ok, Decode(bytes).status);
}

TEST_F(TestImages, HoldsOnlyItsFivePictures) {
  std::set<WORD> ids;
  EXPECT_TRUE(EnumResourceNamesW(module(), L"PNG", CollectId, reinterpret_cast<LONG_PTR>(&ids)));
  EXPECT_EQ((std::set<WORD>{201, 461, 463, 478, 999}), ids);
}

TEST(TestImagesModule, IsResourcesOnly) { ExpectResourcesOnly(TestImagesPath()); }

}  // namespace
