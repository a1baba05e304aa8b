#include "xres.h"

#include <cstring>

#include "debuglog.h"
#include "handles.h"
#include "loadpath.h"

using suite::DebugLogW;

namespace {

suite::UniqueModule g_hImageModule;
ULONG_PTR g_gdiplusToken = 0;
bool g_bGdiplusStarted = false;

// A moveable block held locked goes unlocked, then freed.
void UnlockAndFree(HGLOBAL block) {
  GlobalUnlock(block);
  GlobalFree(block);
}

}  // namespace

void LoadImageLibrary() {
  g_hImageModule.reset(suite::LoadFromProgramFolder(L"Pictor.dll"));
  if (!g_hImageModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Pictor) Error : %d", GetLastError());
  Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread on
  g_bGdiplusStarted = Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) == Gdiplus::Ok;
}

HMODULE ImageModule() { return g_hImageModule.get(); }

bool GdiplusStarted() { return g_bGdiplusStarted; }

void FreeImageLibrary() { g_hImageModule.reset(); }

void KeepImageLibrary() { g_hImageModule.release(); }

void ShutdownGdiplus() {
  if (g_bGdiplusStarted) Gdiplus::GdiplusShutdown(g_gdiplusToken);
  g_bGdiplusStarted = false;
  g_gdiplusToken = 0;
}

CXRes::~CXRes() {
  // Kept: a display thread may still be loading into this holder or drawing
  // from it while the process exits; nothing of it is touched.
  if (!m_bKept) Release();
}

void CXRes::Release() {
  // Out of the holder first, then freed unless kept. A load calls this on the
  // display thread, the only one that uses what it takes out, so a Keep that
  // arrives in between only makes it leave them.
  Gdiplus::Bitmap* image = m_pImage;
  HGLOBAL buffer = m_hBuffer;
  m_pImage = nullptr;
  m_hBuffer = nullptr;
  if (m_bKept) return;
  // The bitmap reads its pixels through a stream over the buffer: it goes first.
  // Once GDI+ is shut down there is no bitmap left to delete (teardown released
  // the holders before), so the exit-time destructor touches nothing.
  if (image && g_bGdiplusStarted) delete image;
  if (buffer) UnlockAndFree(buffer);
}

void CXRes::Keep() { m_bKept = true; }

bool CXRes::LoadFromResource(WORD id) {
  Release();
  if (!g_bGdiplusStarted) return false;
  HMODULE module = ImageModule();
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  if (!resource) return false;
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return false;
  const void* data = LockResource(LoadResource(module, resource));
  if (!data) return false;
  suite::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return false;
  void* bytes = GlobalLock(block.get());
  if (!bytes) return false;
  m_hBuffer = block.release();
  memcpy(bytes, data, size);

  suite::UniqueCom<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(m_hBuffer, FALSE, stream.put()))) {
    Release();
    return false;
  }
  m_pImage = new Gdiplus::Bitmap(stream.get());
  stream.reset();
  if (!m_pImage) {
    Release();
    return false;
  }
  m_uWidth = m_pImage->GetWidth();
  m_uHeight = m_pImage->GetHeight();
  if (m_pImage->GetLastStatus() == Gdiplus::Ok) return true;
  // Undecodable bytes: nothing of this load is kept.
  Release();
  return false;
}
