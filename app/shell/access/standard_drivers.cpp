#include "standard_drivers.h"

#include "storage/bytestream/byte_stream_driver.h"

namespace zv::access {

void registerStandardDrivers(Database& db) {
    static storage::ByteStreamDriver byteStream;
    db.registerDriver(byteStream);
}

} // namespace zv::access
