// The byte-stream driver ("DOS"): fixed-length records over a plain file with no
// header. Record n (from 1) is the bytes at (n - 1) x record length; a last
// piece shorter than a record is not a record. Used to read a text file one
// byte per record, so reads go through a buffer of their own.
#pragma once

#include "storage/driver.h"

namespace zv::storage {

class ByteStreamDriver : public Driver {
public:
    std::string name() const override { return "DOS"; }
    std::string description() const override { return "DOS (Binary) Driver"; }
    DriverLimits limits() const override { return {65520, 0, 0}; }
    bool supports(DriverOp op) const override;
    [[nodiscard]] int dispatch(DriverOp op, ControlBlock& cb) override;
};

} // namespace zv::storage
