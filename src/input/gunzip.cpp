#include "input/gunzip.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/error.h"

#if defined(GSTBOOT_ZLIB)
#include <zlib.h>
#endif

namespace gstboot {

namespace {

bool gzipmagic(std::FILE* file) {
    const int a = std::getc(file);
    const int b = a == EOF ? EOF : std::getc(file);
    std::rewind(file);
    return a == 0x1F && b == 0x8B;
}

}  // namespace

#if defined(GSTBOOT_ZLIB)

namespace {

[[noreturn]] void readfailed(const std::string& name) {
    throw Error(ErrorKind::input, name + ": read error: " + std::strerror(errno));
}

}  // namespace

bool canreadgzip() { return true; }

FilePtr decompressed(FilePtr file, const std::string& name, ByteMeter* meter) {
    if (!gzipmagic(file.get())) return file;
    FilePtr text(std::tmpfile());
    if (!text) throw Error(ErrorKind::system, name + ": no temporary file for its decompressed text: " + std::strerror(errno));
    z_stream z{};
    // 15 + 32: a window of up to 32 KiB, the gzip header recognised.
    if (inflateInit2(&z, 15 + 32) != Z_OK) throw Error(ErrorKind::system, name + ": zlib could not start");
    std::vector<unsigned char> in(1 << 16), out(1 << 18);
    long line = 1;         // of the text, where it stands
    long long offset = 0;  // bytes of the file consumed
    bool inmember = false;
    auto fail = [&](const std::string& why) {
        inflateEnd(&z);
        throw Error(ErrorKind::input, name + ":" + std::to_string(line) + ": " + why);
    };
    for (;;) {
        const std::size_t n = std::fread(in.data(), 1, in.size(), file.get());
        if (n == 0) {
            if (std::ferror(file.get())) readfailed(name);
            break;
        }
        if (meter) meter->add(static_cast<long long>(n));
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
        while (z.avail_in > 0) {
            if (!inmember) {
                // Bytes after a member: another member begins (bgzip), or
                // zero padding ends the file.
                if (z.next_in[0] == 0) {
                    ++z.next_in;
                    --z.avail_in;
                    ++offset;
                    continue;
                }
                inmember = true;
            }
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            const uInt before = z.avail_in;
            const int status = inflate(&z, Z_NO_FLUSH);
            offset += before - z.avail_in;
            const std::size_t got = out.size() - z.avail_out;
            for (std::size_t k = 0; k < got; ++k) line += out[k] == '\n';
            if (got > 0 && std::fwrite(out.data(), 1, got, text.get()) != got) {
                inflateEnd(&z);
                throw Error(ErrorKind::system, name + ": cannot write its decompressed text: " + std::strerror(errno));
            }
            if (status == Z_STREAM_END) {
                inmember = false;
                inflateReset(&z);
            } else if (status != Z_OK && status != Z_BUF_ERROR) {
                fail("the compressed data is not valid gzip at byte " + std::to_string(offset) + " of the file (" +
                     (z.msg ? z.msg : "zlib error") + ")");
            }
        }
    }
    if (inmember) {
        fail("the file ends at byte " + std::to_string(offset) +
             " inside a compressed block: it was cut short (a copy or download that did not finish?)");
    }
    inflateEnd(&z);
    std::rewind(text.get());
    return text;
}

#else

bool canreadgzip() { return false; }

FilePtr decompressed(FilePtr file, const std::string& name, ByteMeter*) {
    if (!gzipmagic(file.get())) return file;
    throw Error(ErrorKind::input, name + ": the file is compressed (gzip or bgzip), and this build of gstboot reads "
                                         "compressed files only with zlib; decompress it first (gunzip, or bgzip -d) "
                                         "and give the plain file");
}

#endif

}  // namespace gstboot
