#include "drivers.h"

#include "storage/bytestream/byte_stream_driver.h"
#include "storage/quarto_driver.h"

namespace zv::tool {

void registerDrivers(access::Database& db) {
    static storage::ByteStreamDriver byteStream;
    db.registerDriver(byteStream);
    static storage::QuartoDriver quarto;
    db.registerDriver(quarto);
}

} // namespace zv::tool
