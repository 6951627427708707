#include "standard_drivers.h"

#include "storage/bytestream/byte_stream_driver.h"
#include "storage/dbase/dbase_driver.h"
#include "storage/quarto_driver.h"

namespace zv::access {

void registerStandardDrivers(Database& db) {
    static storage::ByteStreamDriver byteStream;
    static dbase::DbaseDriver dbase;
    db.registerDriver(byteStream);
    db.registerDriver(dbase);
    static storage::QuartoDriver quarto;
    db.registerDriver(quarto);
}

} // namespace zv::access
