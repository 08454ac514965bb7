#pragma once
// Where things live on an AT91SAM7S256 as the SAM-BA download uses it: the chip's published
// register map, and the RAM mailbox this program shares with its page-programming applet.
#include <cstddef>
#include <cstdint>

namespace vexa::samba {

inline constexpr std::uint32_t kFlashBase = 0x00100000;
inline constexpr std::uint32_t kPageBytes = 256;
inline constexpr std::uint32_t kPageCount = 1024;
inline constexpr std::uint32_t kFlashBytes = kPageBytes * kPageCount;
inline constexpr std::uint32_t kSramBase = 0x00200000;
inline constexpr std::uint32_t kSramBytes = 64 * 1024;

// The applet's mailbox in RAM.
inline constexpr std::uint32_t kFlagWord = 0x002013FC;    // not 0: the applet answers 0x06
inline constexpr std::uint32_t kPageData = 0x00201400;    // 256 bytes of the page
inline constexpr std::uint32_t kPageNumber = 0x00201500;  // the page's number
inline constexpr std::uint32_t kAppletEntry = 0x00201600;
inline constexpr std::size_t kAppletBytes = 1104;

// Embedded flash controller, reset controller, debug unit.
inline constexpr std::uint32_t kMcFmr = 0xFFFFFF60;
inline constexpr std::uint32_t kMcFcr = 0xFFFFFF64;
inline constexpr std::uint32_t kMcFsr = 0xFFFFFF68;
inline constexpr std::uint32_t kRstcCr = 0xFFFFFD00;
inline constexpr std::uint32_t kDbguSr = 0xFFFFF214;
inline constexpr std::uint32_t kDbguThr = 0xFFFFF21C;
inline constexpr std::uint32_t kDbguCidr = 0xFFFFF240;

inline constexpr std::uint32_t kFsrReady = 0x01;            // FRDY
inline constexpr std::uint32_t kFcrKey = 0x5A000000;
inline constexpr std::uint32_t kFcrPageMask = 0x0003FF00;   // PAGEN, page number << 8
inline constexpr std::uint32_t kFcrWritePage = 0x01;
inline constexpr std::uint32_t kFmrSetting = 0x00450100;    // FMCN 0x45, one wait state
inline constexpr std::uint32_t kBootFromFlash = 0x5A00020B; // set GPNVM bit 2
inline constexpr std::uint32_t kResetAll = 0xA500000D;      // processor, peripherals, pin
inline constexpr std::uint32_t kLinkSpeed = 115200;

}  // namespace vexa::samba
