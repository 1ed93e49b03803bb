// Any bytes as a program file: what Open accepts, written back, reads back
// the same; what it refuses, it refuses with a sentence naming a line.
#include "program/ProgramFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kvt;
    const auto decoded = ProgramFile::decode(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (const auto* problem = std::get_if<FileProblem>(&decoded)) {
        if (!problem->text.startsWith(QLatin1String("Line ")))
            std::abort();
        return 0;
    }
    const QString& text = std::get<QString>(decoded);
    const std::optional<QByteArray> bytes = ProgramFile::encode(text);
    if (bytes) {
        const auto again = ProgramFile::decode(*bytes);
        if (!std::holds_alternative<QString>(again) || std::get<QString>(again) != text)
            std::abort();
    }
    return 0;
}
