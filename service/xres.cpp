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
  // Kept: the bytes stay with the bitmap that may still read them.
  if (m_bKept) {
    m_hBuffer.release();
    return;
  }
  Release();
}

void CXRes::Release() {
  if (m_bKept) return;
  // The bitmap reads its pixels through a stream over the buffer: it goes first.
  // Once GDI+ is shut down there is no bitmap left to delete (teardown released
  // the holders before), so the exit-time destructor touches nothing.
  if (m_pImage && g_bGdiplusStarted) delete m_pImage;
  m_pImage = nullptr;
  m_hBuffer.reset();
}

void CXRes::Keep() { m_bKept = true; }

bool CXRes::LoadFromResource(WORD id) {
  // A kept holder lets go of its earlier picture without freeing it: nothing it
  // took is freed, and a failed load shows nothing rather than the earlier one.
  if (m_bKept) {
    m_pImage = nullptr;
    m_hBuffer.release();
  }
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
  m_hBuffer.reset(block.release());
  memcpy(bytes, data, size);

  suite::UniqueCom<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(m_hBuffer.get(), FALSE, stream.put()))) {
    m_hBuffer.reset();
    return false;
  }
  m_pImage = new Gdiplus::Bitmap(stream.get());
  stream.reset();
  if (!m_pImage) {
    m_hBuffer.reset();
    return false;
  }
  m_uWidth = m_pImage->GetWidth();
  m_uHeight = m_pImage->GetHeight();
  if (m_pImage->GetLastStatus() == Gdiplus::Ok) return true;
  // Undecodable bytes: nothing of this load is kept.
  Release();
  return false;
}
