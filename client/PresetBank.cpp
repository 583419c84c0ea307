#include "client/PresetBank.hpp"

#include "client/Client.hpp"
#include "client/StateChunkError.hpp"

#include <cmath>
#include <cstring>

namespace vf {

namespace {

constexpr uint8_t chunkMagic[4] = {0x0B, 0x20, 0xBA, 0x92};

void appendInt(std::vector<uint8_t>& out, int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void appendFloat(std::vector<uint8_t>& out, float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    appendInt(out, static_cast<int32_t>(u));
}

// Reads little-endian fields and never past the end.
class ChunkReader {
public:
    ChunkReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t readU32()
    {
        if (data_ == nullptr || size_ - pos_ < 4)
            throw StateChunkError("Expected a byte, but found end of input");
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(data_[pos_ + static_cast<size_t>(i)]) << (8 * i);
        pos_ += 4;
        return v;
    }
    int32_t readInt() { return static_cast<int32_t>(readU32()); }
    float readFloat()
    {
        uint32_t u = readU32();
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    void skip(size_t n)
    {
        for (size_t i = 0; i < n; i += 4)
            readU32();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Consumes the first 16 bytes: magic, format version, two skipped words.
void checkChunkHeader(ChunkReader& reader)
{
    uint32_t magic = reader.readU32();
    uint32_t expected = static_cast<uint32_t>(chunkMagic[0]) | static_cast<uint32_t>(chunkMagic[1]) << 8
                        | static_cast<uint32_t>(chunkMagic[2]) << 16 | static_cast<uint32_t>(chunkMagic[3]) << 24;
    if (magic != expected)
        throw StateChunkError("Can not load, magic number didn't match");
    if (reader.readInt() > 0)
        throw StateChunkError("Can not load chunk done with a newer, incompatible Sorvane library");
    reader.skip(8); // reserved word and the writer's plug-in version
}

} // namespace

PresetBank::PresetBank(Client& client, std::vector<std::unique_ptr<Preset>> presets)
    : client_(client), presets_(std::move(presets))
{
}

std::vector<uint8_t> PresetBank::getStateChunkFromCurrentState() const
{
    std::vector<uint8_t> out;
    out.reserve(24 + 4 * static_cast<size_t>(client_.numParams()));
    for (uint8_t b : chunkMagic)
        out.push_back(b);
    appendInt(out, 0);
    appendInt(out, 0);
    appendInt(out, client_.pluginInfo().publicVersion.packed());
    appendInt(out, currentPreset_);
    appendInt(out, client_.numParams());
    for (const auto& p : client_.params())
        appendFloat(out, static_cast<float>(p->getNormalized()));
    return out;
}

void PresetBank::loadStateChunk(const uint8_t* chunk, size_t size)
{
    ChunkReader reader(chunk, size);
    checkChunkHeader(reader);
    int32_t index = reader.readInt();
    if (index < 0 || index >= numPresets())
        throw StateChunkError("Invalid preset index in state chunk");
    currentPreset_ = index;
    int32_t count = reader.readInt();
    for (int32_t i = 0; i < count; ++i) {
        float v = reader.readFloat();
        if (i >= client_.numParams())
            continue;
        // A damaged chunk must not put a parameter outside its range: NaN is
        // dropped, everything else is limited to [0, 1].
        if (std::isnan(v))
            continue;
        client_.param(i).setFromHost(clampNormalized(v));
    }
}

} // namespace vf
