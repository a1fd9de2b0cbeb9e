// The reading of typed numbers: for a text of any length it accepts exactly the
// texts made of an optional "-" and ASCII digits, and gives their value, with
// magnitudes beyond 10^12 read as 10^12. Checked against a regular expression
// and a reading written apart.
#include "fuzzsupport.h"

#include "launch/commandlinecomposer.h"

using namespace tavik;
using namespace tavik::fuzz;

namespace {

constexpr std::u16string_view numberAlphabet = u"0123456789000-+ .e\u0665\uff10\u00b2";

QString describe(const std::optional<long long> &value)
{
    return value ? QString::number(*value) : QStringLiteral("no number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    QString text;
    if (data.ConsumeBool()) {
        // Long runs of digits cost one byte each.
        if (data.ConsumeBool())
            text.append(QLatin1Char('-'));
        for (const std::uint8_t byte : data.ConsumeRemainingBytes<std::uint8_t>())
            text.append(QLatin1Char(char('0' + byte % 10)));
    } else {
        text = consumeText(data, numberAlphabet, size);
    }
    const std::optional<long long> read = readTypedNumber(text);
    const std::optional<long long> expected = referenceNumber(text);
    check(read == expected, "the typed number reads as the reference reads it",
          text.left(200) + QStringLiteral(": ") + describe(read) + QStringLiteral(" instead of ")
              + describe(expected));
    return 0;
}
