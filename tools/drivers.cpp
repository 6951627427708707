#include "drivers.h"

#include "storage/bytestream/byte_stream_driver.h"

namespace zv::tool {

void registerDrivers(access::Database& db) {
    static storage::ByteStreamDriver byteStream;
    db.registerDriver(byteStream);
}

} // namespace zv::tool
