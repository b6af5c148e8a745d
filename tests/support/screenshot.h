#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vantrel::test {

struct Pixel {
    int r = 0, g = 0, b = 0;
};

std::string Describe(const Pixel& p);

// A pixel of a coloured picture, not of a grey face or of black, grey or white text.
bool Colourful(const Pixel& p);

// A 24-bit bitmap file as ImageMagick's import writes it ("BMP3:").
class Screenshot {
  public:
    explicit Screenshot(std::string bytes) : bytes_(std::move(bytes)) {}
    bool Valid() const;
    int Width() const { return static_cast<int>(U32(18)); }
    int Height() const;
    Pixel At(int x, int y) const;

  private:
    int Stride() const { return (Width() * 3 + 3) / 4 * 4; }
    int Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    std::uint32_t U16(std::size_t at) const {
        return static_cast<std::uint32_t>(Byte(at) | Byte(at + 1) << 8);
    }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
    std::string bytes_;
};

// Grabs a rectangle of the screen into `unixPath` with ImageMagick (a program of the host,
// started through Wine's start /unix), waiting until the file is complete; the file's bytes,
// or what was read at the timeout.
std::string TakeScreenshot(const RECT& area, const std::string& unixPath, DWORD timeoutMs);

// The same of `area` after `window` (of another process) has been repainted and given a
// second to finish: a page is found before it is drawn.
std::string TakeRepaintedScreenshot(HWND window, const RECT& area, const std::string& unixPath,
                                    DWORD timeoutMs);

}  // namespace vantrel::test
