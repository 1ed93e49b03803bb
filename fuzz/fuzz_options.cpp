// Any command line for the commands without a window: one argument per line.
#include "batch/BatchOptions.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)kvt::batch::BatchOptions::parse(text.split(QLatin1Char('\n')));
    return 0;
}
