#pragma once
// The framebuffer video driver: the only code that touches pixels. It opens the display,
// chooses the page scheme from the kernel build, owns the surfaces, writes pixels through
// raster operations, copies blocks, writes and unpacks images and presents the drawn
// page. Main thread only; the time-slice pass never draws.

#include <cstddef>
#include <cstdint>

struct DC;
struct DIB;

// Raster operation codes of Ioctl code 1.
enum : int { kRopNot = 1, kRopXor, kRopAnd, kRopCopy, kRopNotCopy, kRopOr, kRopNotOr };
// Ioctl codes.
inline constexpr int kIoctlRop = 1;
inline constexpr int kIoctlSurface = 4;
inline constexpr int kIoctlSurface3 = 5;

// The driver table of a device context.
int VDR_Init(DC* dc);
int VDR_Ioctl(DC* dc, int code, int value);
int VDR_SetPixel(DC* dc, int16_t x, int16_t y, uint16_t colour);
int16_t VDR_GetPixel(DC* dc, int16_t x, int16_t y);
void VDR_ScanLine(DC* dc, int16_t x, int16_t y, int16_t count, uint16_t colour);
void VDR_CreateDIB(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, DIB* dib);
void VDR_WriteDIB(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, int16_t src_x, int16_t src_y,
                  const DIB* dib);
int VDR_Close(DC* dc);

// Block copy between surfaces (both rectangles already inside their surfaces); 1, or 0
// when either context has no surface.
int VDR_BitBlt(DC* dst, int16_t x, int16_t y, int16_t width, int16_t height, DC* src, int16_t src_x,
               int16_t src_y);

// Unpacks a stored bitmap (dib->data, packing dib->packing) into output, which holds
// capacity bytes, as 16-bit pixels; with transparency, into the transparent-run form.
// Never writes past capacity nor more than the image's own size. The unpacked image (at
// output; bytes, when given, receives its length: put it in the packed length of the
// descriptor it is drawn with), the dib itself for a packing it does not know, or
// nullptr when output is too small or the data is damaged.
const uint8_t* VDR_BmpUnpack(const DIB* dib, uint8_t* output, std::size_t capacity, std::size_t* bytes = nullptr);
// Bytes output must hold for VDR_BmpUnpack of dib.
std::size_t VDR_BmpUnpackSize(const DIB* dib);

// Presents the drawn page; 1 when a copy was made or started, 0 while the pixel
// pipeline is busy.
int VDR_CopyPage();
// Makes dc's surface the active frame and presents it.
int VDR_SetActiveFrame(DC* dc);
int VDR_GetActiveFrame();
// 1 once the last page copy has completed.
int VDR_IsPageCopied();
// The bitmap work memory: ClrMem starts it afresh, GetMem takes n bytes (rounded up to
// a multiple of 4) and answers nullptr when they do not fit.
void VDR_BmpClrMem();
uint8_t* VDR_BmpGetMem(uint32_t n);

// The driver's block copy: nothing when either pointer is null or n is 0.
void memcpy_local(void* dst, const void* src, std::size_t n);
