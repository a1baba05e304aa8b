// OSD pictures: the image library that holds them as "PNG" resources, GDI+ that
// decodes them, and CXRes, the holder of one decoded picture.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "handles.h"

// Loads "Pictor.dll" and starts GDI+ right after it, whether or not the library loaded.
void LoadImageLibrary();
HMODULE ImageModule();
bool GdiplusStarted();
// Teardown: the library goes after the holders, GDI+ after the library.
void FreeImageLibrary();
void ShutdownGdiplus();
// Teardown under a display thread that would not end: the library stays loaded
// until the process exits, and nothing at exit frees it either.
void KeepImageLibrary();

class CXRes {
 public:
  CXRes() = default;
  virtual ~CXRes();
  CXRes(const CXRes&) = delete;
  CXRes& operator=(const CXRes&) = delete;

  // Decodes the "PNG" resource id of the image library afresh; false when there
  // is nothing drawable (the holder is then empty).
  bool LoadFromResource(WORD id);
  // Deletes the bitmap, then frees the bytes it read from; safe to repeat.
  void Release();
  // For a display thread that may still load and draw until the process exits:
  // from now on nothing this holder takes is freed, not even by its
  // exit-time destructor.
  void Keep();

  Gdiplus::Bitmap* Image() const { return m_pImage; }
  UINT Width() const { return m_uWidth; }
  UINT Height() const { return m_uHeight; }

 private:
  Gdiplus::Bitmap* m_pImage = nullptr;
  UINT m_uWidth = 0;
  UINT m_uHeight = 0;
  // The picture's bytes, locked while the bitmap reads them through a stream.
  // Plain, freed by Release only: a kept holder's outlive its exit-time destructor.
  HGLOBAL m_hBuffer = nullptr;
  // Set by the main thread under a display thread that would not end.
  volatile bool m_bKept = false;
};
