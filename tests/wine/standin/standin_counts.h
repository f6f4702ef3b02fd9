// The stand-in's counting section, as the stand-in writes it and the driver's storm
// group reads it: LONGs in this order, after a first LONG that says how many follow.
#pragma once

namespace standin {

enum Count : int {
  kConnect,
  kDisconnect,
  kGetVendorID,
  kGetProductID,
  kGetHandle,
  kSetReadNotify,
  kRead,
  kWriteEx,
  kForwarded0,
  kForwarded1,
  kForwarded2,
  kForwarded3,
  kForwarded4,
  kForwardedOther,
  kOutOfStep,
  kCountFields
};

}  // namespace standin
