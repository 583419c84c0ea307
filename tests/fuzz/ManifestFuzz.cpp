// GenerateManifestFromClient as packaging tools call it, with a buffer of any length
// and any binary file name.  It must write nothing past the length it is given,
// always return the full text length, and give the same text however it is called.
//
// Input: buffer length (i32; from 0 it is taken modulo the text length + 16), flags
// (u8: 1 pass no buffer, 2 negative name length), then the file name.
#include "FuzzInput.hpp"

#include "lv2/ManifestGenerator.hpp"

#include <memory>
#include <string>

using vf::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    int32_t length = in.take<int32_t>();
    const uint8_t flags = in.take<uint8_t>();
    const std::span<const uint8_t> name = in.rest();
    const char* file = reinterpret_cast<const char*>(name.data());
    const int fileLength = (flags & 2) ? -static_cast<int>(name.size()) - 1 : static_cast<int>(name.size());

    const int total = GenerateManifestFromClient(nullptr, 0, file, fileLength);
    FUZZ_CHECK(total > 0);
    std::string full(static_cast<size_t>(total), '\0');
    FUZZ_CHECK(GenerateManifestFromClient(full.data(), total, file, fileLength) == total);

    // The binary's IRI keeps no byte that could end it or break the Turtle around it.
    const size_t from = full.find("lv2:binary <") + 12, to = full.find('>', from);
    FUZZ_CHECK(from >= 12 && to != std::string::npos);
    for (size_t i = from; i < to; ++i)
        FUZZ_CHECK(static_cast<unsigned char>(full[i]) > 0x20 && std::string_view("\"<>\\^`{|}").find(full[i]) == std::string_view::npos);

    if (length >= 0)
        length %= total + 16;
    // Exactly as long as the caller says (a few guard bytes when it says nothing useful).
    const size_t allocated = length > 0 ? static_cast<size_t>(length) : 8;
    std::unique_ptr<char[]> buffer(new char[allocated]);
    std::memset(buffer.get(), '#', allocated);
    FUZZ_CHECK(GenerateManifestFromClient((flags & 1) ? nullptr : buffer.get(), length, file, fileLength) == total);
    const size_t written = (flags & 1) || length <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(length), full.size());
    FUZZ_CHECK(std::memcmp(buffer.get(), full.data(), written) == 0);
    for (size_t i = written; i < allocated; ++i)
        FUZZ_CHECK(buffer[i] == '#');
    return 0;
}
