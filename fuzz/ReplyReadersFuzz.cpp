// One reply of the server page, as bytes, read the way the load reads it.
// A Failure is the clean way out; anything else (a crash, a sanitizer report,
// another exception) is a finding. FUZZ_READER picks the reply: 1 counts,
// 2 active centers, 3 selected centers.
#include "core/CenterRow.h"
#include "core/ControlState.h"
#include "core/Failure.h"
#include "core/ReplyReaders.h"
#include "net/XmlFetcher.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

using namespace vendorcenter;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    pugi::xml_document document;
    const pugi::xml_node root = parseReply(body, document);

    ControlState state;
    std::vector<CenterRow> rows;
    // The load's progress counter: 16 bits, an overflow past 32767.
    [[maybe_unused]] auto countRow = [&state] {
        if (state.loadProgress == std::numeric_limits<qint16>::max())
            throw Failure::overflow();
        ++state.loadProgress;
    };
    try {
#if FUZZ_READER == 1
        replies::readCounts(root, state);
#elif FUZZ_READER == 2
        replies::readActiveRows(root, 1, rows, countRow);
#else
        replies::readSelectedRows(root, rows, countRow);
#endif
    } catch (const Failure &) { }
    // Every row handed back must be a complete row of seven columns.
    for (const CenterRow &row : rows) {
        for (int column = ColName; column < CenterColumnCount; ++column)
            (void)row.column(column).size();
    }
    return 0;
}
