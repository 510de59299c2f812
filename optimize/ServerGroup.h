#pragma once

// The portal operator's servers. These are reserved documentation names and addresses
// (RFC 2606, RFC 5737): an operator replaces them here with its own before building.
// Within a group the probe and the service address share their first three numbers.

struct ServerGroup {
    const char* szName;           // the group's name in the log texts (GBK)
    const char* szProbeAddress;   // measured with ICMP echo
    const char* szServiceAddress; // what the group's route table maps every host name to
};

constexpr int kServerGroupCount = 3;

constexpr ServerGroup kServerGroups[kServerGroupCount] = {
    {"\xb5\xda\xd2\xbb\xd7\xe9", "192.0.2.10", "192.0.2.20"},       // 第一组
    {"\xb5\xda\xb6\xfe\xd7\xe9", "198.51.100.10", "198.51.100.20"}, // 第二组
    {"\xb5\xda\xc8\xfd\xd7\xe9", "203.0.113.10", "203.0.113.20"},   // 第三组
};

constexpr const char* kPortalHostName = "tirox.example";

// Game host name n is its label, a dot and the portal host name.
constexpr int kGameHostCount = 8;
constexpr const char* kGameHostLabels[kGameHostCount] = {
    "ddz", "majh", "xqi", "wzq", "tlj", "sjz", "bdz1", "hjd",
};
