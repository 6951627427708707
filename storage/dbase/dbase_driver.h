// The dBase IV driver behind the file driver interface: registered as "dBase4",
// it turns the operations of the record access services into operations on a
// DbaseTable kept behind the control block. Tables are read in record-number
// order or, after a key operation, in the order of one of the tags of the
// table's production index (.MDX); the build operations rebuild that index.
#pragma once

#include "storage/driver.h"

#include <functional>
#include <string>

namespace zv::dbase {

class DbaseDriver : public storage::Driver {
public:
    std::string name() const override;
    std::string description() const override;
    // Up to 47 keys: the tags an .MDX holds.
    storage::DriverLimits limits() const override { return {65534, 47, 255}; }
    bool supports(storage::DriverOp op) const override;
    [[nodiscard]] int dispatch(storage::DriverOp op, storage::ControlBlock& cb) override;

    // Receives "File NAME, xBase Error (N): TEXT" for each failure of a table whose
    // extended errors are on; the program shows it to the user. Error 90 also
    // carries the xBase text as the driver's own wording in the control block.
    void setNotifier(std::function<void(const std::string&)> notify) {
        notify_ = std::move(notify);
    }

private:
    std::function<void(const std::string&)> notify_;
};

} // namespace zv::dbase
