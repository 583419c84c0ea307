// Text typed by a user, read by every parameter of the real plug-in, and the
// number-literal readers behind them.
//
// Input: buffer size for the text written back (u8), a normalized value to show
// (f64), then the text.
#include "FuzzInput.hpp"

#include "client/NumberLiteral.hpp"
#include "plugin/VelmorinFreeClient.hpp"

#include <cfloat>
#include <cmath>
#include <memory>
#include <string_view>

using vf::fuzz::FuzzInput;

namespace {

// Plain decimal text (no hexadecimal, no "inf"), which the C library reads the same way.
bool isDecimalText(std::string_view text)
{
    return text.find_first_not_of("0123456789.eE+- \t\n\f\r") == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<vf::Client> client(vf::Client::create<vf::VelmorinFreeClient>());
    FuzzInput in(data, size);
    const size_t bufferSize = in.take<uint8_t>() % 40;
    const double shown = in.take<double>();
    const std::span<const uint8_t> rest = in.rest();
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

    const double literal = vf::readFloatLiteral(text);
    FUZZ_CHECK(!std::isnan(literal));
    (void)vf::readIntegerLiteral(text);
    if (text.size() <= 127 && isDecimalText(text)) {
        const std::string copy(text);
        const double expected = std::strtod(copy.c_str(), nullptr);
        FUZZ_CHECK(literal == expected || (std::fabs(literal) < DBL_MIN && std::fabs(expected) < DBL_MIN));
    }

    // A buffer exactly as large as the caller says, so that a write past it is caught.
    std::unique_ptr<char[]> buffer(new char[bufferSize]);
    for (const auto& p : client->params()) {
        double n = 0.5;
        const bool ok = p->normalizedValueFromString(text, n);
        FUZZ_CHECK(ok ? (n >= 0.0 && n <= 1.0) : std::isnan(n));
        if (!p->isDiscrete())
            FUZZ_CHECK(ok == (text.size() <= 127));
        else
            FUZZ_CHECK(ok == (text == "yes" || text == "no"));
        p->stringFromNormalizedValue(shown, buffer.get(), bufferSize);
        FUZZ_CHECK(bufferSize == 0 || std::memchr(buffer.get(), '\0', bufferSize) != nullptr);
        p->setFromHost(ok ? n : shown);
        p->toDisplayN(buffer.get(), bufferSize);
        FUZZ_CHECK(bufferSize == 0 || std::memchr(buffer.get(), '\0', bufferSize) != nullptr);
        const double stored = p->getNormalized();
        FUZZ_CHECK(std::isnan(stored) || (stored >= 0.0 && stored <= 1.0));
    }
    return 0;
}
