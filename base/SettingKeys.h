// The store paths of the persisted settings ("//ini/Quorvane/" + key), the run-time
// values kept beside them and the defaults other code needs. A leaf header: every
// layer may read a setting by its key without knowing the catalogue.
//
// Threads: constants only.
#pragma once

namespace qv {

namespace setting {
inline constexpr const char* kHost = "//ini/Quorvane/HOST";
inline constexpr const char* kPublicKey = "//ini/Quorvane/PUBLIC_KEY";
inline constexpr const char* kBuf = "//ini/Quorvane/BUF";
inline constexpr const char* kAuto = "//ini/Quorvane/AUTO";
inline constexpr const char* kList = "//ini/Quorvane/LIST";
inline constexpr const char* kLow = "//ini/Quorvane/LOW";
inline constexpr const char* kMd5 = "//ini/Quorvane/MD5";
inline constexpr const char* kOverwrite = "//ini/Quorvane/OVERWRITE";
inline constexpr const char* kNoResumeSend = "//ini/Quorvane/NO_RESUME_SEND";
inline constexpr const char* kNoResumeSize = "//ini/Quorvane/NO_RESUME_SIZE";
inline constexpr const char* kPort = "//ini/Quorvane/PORT";
inline constexpr const char* kWan = "//ini/Quorvane/WAN";
inline constexpr const char* kWanLastIp = "//ini/Quorvane/WAN_LASTIP";
inline constexpr const char* kWanLastDate = "//ini/Quorvane/WAN_LASTDATE";
inline constexpr const char* kSecKey = "//ini/Quorvane/SEC_KEY";
inline constexpr const char* kSecKeySize = "//ini/Quorvane/SEC_KEY_SIZE";
inline constexpr const char* kSecSubKey = "//ini/Quorvane/SEC_SUB_KEY";
inline constexpr const char* kSecure = "//ini/Quorvane/SECURE";
inline constexpr const char* kSendIrai = "//ini/Quorvane/SEND_IRAI";
inline constexpr const char* kProxy = "//ini/Quorvane/PROXY";
inline constexpr const char* kNicname = "//ini/Quorvane/NICNAME";
inline constexpr const char* kSabunCheckCnt = "//ini/Quorvane/SABUN_CHECK_CNT";
inline constexpr const char* kSabunCheckTime = "//ini/Quorvane/SABUN_CHECK_TIME";
inline constexpr const char* kMakeIpDir = "//ini/Quorvane/MAKE_IP_DIR";
inline constexpr const char* kSound = "//ini/Quorvane/SOUND";
inline constexpr const char* kChat = "//ini/Quorvane/CHAT";
inline constexpr const char* kLastCheck = "//ini/Quorvane/LAST_CHECK";
inline constexpr const char* kWaitLan = "//ini/Quorvane/WAIT_LAN";
inline constexpr const char* kWaitWan = "//ini/Quorvane/WAIT_WAN";
}  // namespace setting

// Run-time values of the settings store (never written to the INI file).
namespace runtime {
inline constexpr const char* kRecvDir = "RECV_DIR";
inline constexpr const char* kChatSoundFirst = "se_chat_s";
inline constexpr const char* kChatSoundNext = "se_chat_r";
// "1": the encrypted mode for this run only, whatever SECURE says (--secure).
inline constexpr const char* kSecureThisRun = "SECURE_THIS_RUN";
}  // namespace runtime

inline constexpr const char* kDefaultBuf = "4000";
inline constexpr const char* kDefaultList = "4000,8000,16000,32000,64000,128000,300000,600000";

}  // namespace qv
