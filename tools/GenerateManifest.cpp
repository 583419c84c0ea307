// Build step: loads the freshly linked plug-in library and writes the manifest it
// describes itself with, so that the bundle text and the runtime never disagree.
//   GenerateManifest <library.so> <binary file name> <manifest.ttl>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using GenerateFn = int (*)(char*, int, const char*, int);

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <library.so> <binary file name> <manifest.ttl>\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    auto generate = reinterpret_cast<GenerateFn>(dlsym(library, "GenerateManifestFromClient"));
    if (generate == nullptr) {
        std::fprintf(stderr, "%s exports no GenerateManifestFromClient\n", argv[1]);
        dlclose(library);
        return 1;
    }
    const char* binary = argv[2];
    const int binaryLength = static_cast<int>(std::strlen(binary));
    const int length = generate(nullptr, 0, binary, binaryLength);
    std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0));
    const int written = generate(text.data(), length, binary, binaryLength);
    dlclose(library);
    if (length <= 0 || written != length) {
        std::fprintf(stderr, "manifest generation failed\n");
        return 1;
    }
    FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
