// The relay's log lines, UTF-8, exactly as the window shows them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovix::agent::logtext {

inline constexpr std::string_view kSipStartFailed = "启动 SIP 服务器失败！";
inline constexpr std::string_view kRtpStartFailed = "启动 RTP 服务器失败！";
inline constexpr std::string_view kSipStopped = "SIP 服务器已经停止！";
inline constexpr std::string_view kRtpStopped = "RTP 服务器已经停止！";
inline constexpr std::string_view kTunnelBroken = "与 TS 服务器的连接已经断开！";

// "启动 SIP 服务器成功 ( IP : %s, Port : %d ) ！"
inline std::string SipStarted(std::string_view address, std::uint16_t port) {
    return "启动 SIP 服务器成功 ( IP : " + std::string(address) +
           ", Port : " + std::to_string(port) + " ) ！";
}

// "启动 RTP 服务器成功 ( IP : %s, Port : %d ) ！"
inline std::string RtpStarted(std::string_view address, std::uint16_t port) {
    return "启动 RTP 服务器成功 ( IP : " + std::string(address) +
           ", Port : " + std::to_string(port) + " ) ！";
}

// Both connection lines name port 80, whatever port is used.
inline std::string TunnelConnectFailed(std::string_view address) {
    return "连接到 TS 服务器失败！( IP : " + std::string(address) + ", Port : 80 ) ！";
}

inline std::string TunnelConnected(std::string_view address) {
    return "连接到 TS 服务器成功！( IP : " + std::string(address) + ", Port : 80 ) ！";
}

}  // namespace ovix::agent::logtext
