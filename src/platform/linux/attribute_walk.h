#pragma once
// Walks a message's attributes and insists that they fill it exactly. libmnl's own walk stops
// quietly at a cut attribute, which would turn a damaged message into a partial row.
#include <libmnl/libmnl.h>

#include <cstring>

inline bool walkAttributes(const nlmsghdr* message, unsigned familyHeaderBytes, mnl_attr_cb_t cb,
                           void* data) {
  const auto* attr =
      static_cast<const nlattr*>(mnl_nlmsg_get_payload_offset(message, familyHeaderBytes));
  long left = static_cast<long>(message->nlmsg_len) -
              (reinterpret_cast<const char*>(attr) - reinterpret_cast<const char*>(message));
  while (left > 0) {
    if (!mnl_attr_ok(attr, static_cast<int>(left))) return false;
    if (cb(attr, data) != MNL_CB_OK) return false;
    left -= MNL_ALIGN(attr->nla_len);
    attr = mnl_attr_next(attr);
  }
  return true;
}

// Copies an attribute's payload of exactly length bytes; false (out untouched) when the
// attribute is missing or of another length.
inline bool readFixed(const nlattr* attr, void* out, unsigned length) {
  if (!attr || mnl_attr_get_payload_len(attr) != length) return false;
  std::memcpy(out, mnl_attr_get_payload(attr), length);
  return true;
}
