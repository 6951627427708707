#include "standard_drivers.h"

#include "storage/bytestream/byte_stream_driver.h"
#include "storage/dbase/dbase_driver.h"
#include "storage/quarto_driver.h"

namespace zv::access {

void registerStandardDrivers(Database& db) {
    static storage::QuartoDriver quarto;
    static dbase::DbaseDriver dbase;
    static storage::ByteStreamDriver byteStream;
    db.registerDriver(quarto);
    db.registerDriver(dbase);
    db.registerDriver(byteStream);
}

} // namespace zv::access
