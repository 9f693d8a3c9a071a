// The EC opcodes and tag names the hand-off to aMule uses (aMule 2.3's numbers).
#pragma once

#include <cstdint>

namespace hublane::clients::ec {

// Opcodes.
inline constexpr std::uint8_t kOpNoop = 0x01;
inline constexpr std::uint8_t kOpAuthReq = 0x02;
inline constexpr std::uint8_t kOpAuthFail = 0x03;
inline constexpr std::uint8_t kOpAuthOk = 0x04;
inline constexpr std::uint8_t kOpFailed = 0x05;
inline constexpr std::uint8_t kOpStrings = 0x06;
inline constexpr std::uint8_t kOpGetServerList = 0x2C;
inline constexpr std::uint8_t kOpServerList = 0x2D;
inline constexpr std::uint8_t kOpServerRemove = 0x30;
inline constexpr std::uint8_t kOpServerAdd = 0x31;
inline constexpr std::uint8_t kOpServerUpdateFromUrl = 0x32;
inline constexpr std::uint8_t kOpAuthSalt = 0x4F;
inline constexpr std::uint8_t kOpAuthPasswd = 0x50;

// Tag names.
inline constexpr std::uint16_t kTagString = 0x0000;
inline constexpr std::uint16_t kTagPasswdHash = 0x0001;
inline constexpr std::uint16_t kTagProtocolVersion = 0x0002;
inline constexpr std::uint16_t kTagDetailLevel = 0x0004;
inline constexpr std::uint16_t kTagPasswdSalt = 0x000B;
inline constexpr std::uint16_t kTagClientName = 0x0100;
inline constexpr std::uint16_t kTagClientVersion = 0x0101;
inline constexpr std::uint16_t kTagServer = 0x0500;
inline constexpr std::uint16_t kTagServerName = 0x0501;
inline constexpr std::uint16_t kTagServerDesc = 0x0502;
inline constexpr std::uint16_t kTagServerAddress = 0x0503;
inline constexpr std::uint16_t kTagServerStatic = 0x050A;
inline constexpr std::uint16_t kTagServerVersion = 0x050B;

/// The protocol 2.3.x speaks.
inline constexpr std::uint16_t kProtocolVersion = 0x0204;

}  // namespace hublane::clients::ec
