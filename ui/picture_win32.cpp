// WIC decoding of the embedded GIFs. Only the first frame is read; the
// pictures are single-frame GIF87a without transparency.
#include "ui/picture_win32.h"

#include <wincodec.h>

#include <utility>

#include "ui/com_apartment_win32.h"

namespace pelomar {
namespace {

template <class T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

}  // namespace

Picture::~Picture() {
    if (bitmap_) DeleteObject(bitmap_);
}

Picture::Picture(Picture&& other) noexcept { *this = std::move(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
    std::swap(bitmap_, other.bitmap_);
    std::swap(bits_, other.bits_);
    std::swap(stride_, other.stride_);
    std::swap(bitsPerPixel_, other.bitsPerPixel_);
    std::swap(palette_, other.palette_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    return *this;
}

unsigned Picture::pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const unsigned char* row = bits_ + static_cast<size_t>(y) * stride_;
    if (bitsPerPixel_ == 8) return palette_[row[x]];
    const unsigned char* p = row + 4 * x;  // B, G, R, unused
    return (unsigned(p[2]) << 16) | (unsigned(p[1]) << 8) | p[0];
}

void Picture::draw(HDC dc, int x, int y) const {
    if (!bitmap_) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap_);
    BitBlt(dc, x, y, width_, height_, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

namespace {

// A top-down DIB section; its colour table is filled for 8-bit pictures.
HBITMAP createSection(UINT w, UINT h, int bitsPerPixel, const unsigned* palette, UINT colours, void** bits) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = static_cast<LONG>(w);
    info.header.biHeight = -static_cast<LONG>(h);
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.header.biCompression = BI_RGB;
    if (bitsPerPixel == 8) {
        info.header.biClrUsed = 256;
        for (UINT i = 0; i < colours && i < 256; ++i) {
            info.colours[i].rgbRed = static_cast<BYTE>(palette[i] >> 16);
            info.colours[i].rgbGreen = static_cast<BYTE>(palette[i] >> 8);
            info.colours[i].rgbBlue = static_cast<BYTE>(palette[i]);
        }
    }
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

Picture decodePicture(AssetView bytes) {
    Picture picture;
    if (bytes.empty()) return picture;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))))
        return picture;
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out()))) return picture;
    if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data), static_cast<DWORD>(bytes.size))))
        return picture;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, decoder.out())))
        return picture;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return picture;
    UINT w = 0, h = 0;
    if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0 || w > 4096 || h > 4096) return picture;

    // Palette pictures keep their indices and colour table.
    WICPixelFormatGUID format{};
    UINT colours = 0;
    unsigned palette[256] = {};
    ComPtr<IWICPalette> wicPalette;
    bool indexed = SUCCEEDED(frame->GetPixelFormat(&format)) && format == GUID_WICPixelFormat8bppIndexed &&
                   SUCCEEDED(factory->CreatePalette(wicPalette.out())) &&
                   SUCCEEDED(frame->CopyPalette(wicPalette.p)) &&
                   SUCCEEDED(wicPalette->GetColors(256, palette, &colours)) && colours > 0;

    ComPtr<IWICFormatConverter> converter;
    IWICBitmapSource* source = frame.p;
    if (!indexed) {
        if (FAILED(factory->CreateFormatConverter(converter.out()))) return picture;
        if (FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                         0.0, WICBitmapPaletteTypeCustom)))
            return picture;
        source = converter.p;
    }
    const int bitsPerPixel = indexed ? 8 : 32;
    const UINT stride = ((w * bitsPerPixel + 31) / 32) * 4;
    void* bits = nullptr;
    HBITMAP bitmap = createSection(w, h, bitsPerPixel, palette, colours, &bits);
    if (!bitmap) return picture;
    if (FAILED(source->CopyPixels(nullptr, stride, stride * h, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return picture;
    }
    picture.bitmap_ = bitmap;
    picture.bits_ = static_cast<const unsigned char*>(bits);
    picture.stride_ = static_cast<int>(stride);
    picture.bitsPerPixel_ = bitsPerPixel;
    for (UINT i = 0; i < colours && i < 256; ++i) picture.palette_[i] = palette[i] & 0xFFFFFF;
    picture.width_ = static_cast<int>(w);
    picture.height_ = static_cast<int>(h);
    return picture;
}

DWORD WINAPI BackgroundPicture::run(void* self) {
    auto* job = static_cast<BackgroundPicture*>(self);
    void (*const afterwards)() = job->afterwards_;
    {
        // The multithreaded apartment: nothing to pump, and the DIB section
        // outlives it.
        const ComApartment com(ComApartment::Kind::MultiThreaded);
        job->picture_ = decodePicture(job->bytes_);
        // The job may be gone as soon as it is told: nothing of it is touched after.
        SetEvent(job->decoded_);
    }
    if (afterwards) afterwards();
    return 0;
}

BackgroundPicture::BackgroundPicture(AssetView bytes, void (*afterwards)()) : bytes_(bytes), afterwards_(afterwards) {
    decoded_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (decoded_) thread_ = CreateThread(nullptr, 0, &BackgroundPicture::run, this, 0, nullptr);
    if (thread_) return;
    {
        const ComApartment com(ComApartment::Kind::SingleThreaded);
        picture_ = decodePicture(bytes_);
    }
    if (afterwards_) afterwards_();
}

// The thread is not waited for beyond the picture: what it does afterwards
// may go on.
BackgroundPicture::~BackgroundPicture() { take(); }

Picture BackgroundPicture::take() {
    if (thread_) {
        WaitForSingleObject(decoded_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (decoded_) {
        CloseHandle(decoded_);
        decoded_ = nullptr;
    }
    return std::move(picture_);
}

}  // namespace pelomar
