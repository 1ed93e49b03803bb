// Any bytes as a program file: read, written back and read again, the text
// must come back as it was read.
#include "editor/ProgramFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using kvt::ProgramFile;
    const QString text = ProgramFile::decode(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (const std::optional<QByteArray> bytes = ProgramFile::encode(text);
        bytes && ProgramFile::decode(*bytes) != text)
        std::abort();
    return 0;
}
