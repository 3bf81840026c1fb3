#pragma once

#include <QString>

// Every host the program talks to, and every address shape it recognises or builds.
// Addresses are plain text: nothing is encoded or escaped.
namespace endpoints {

inline const QString kServiceWebHost = QStringLiteral("changba.com");
inline const QString kServiceImageHost = QStringLiteral("aliimg.changba.com");
// The audio host is "a" + host number + this suffix: host number 3 is a3mp3.changba.com.
inline const QString kServiceAudioHostSuffix = QStringLiteral("mp3.changba.com");
inline const QString kVideoPlayerHost = QStringLiteral("player.youku.com");

inline const QString kMakerVersionHost = QStringLiteral("soft.solvane.com");
inline const QString kMakerForumHost = QStringLiteral("bbs.solvane.com");
inline const QString kMakerHomeHost = QStringLiteral("www.solvane.com");

// The scheme of every address the program builds itself.
inline const QString kScheme = QStringLiteral("http://");
// The scheme of the share links the service hands out today.
inline const QString kSecureScheme = QStringLiteral("https://");

// One of these must occur somewhere in the song address box.
inline QString sharePagePrefix() { return kScheme + kServiceWebHost + QStringLiteral("/s/"); }
inline QString secureSharePagePrefix() { return kSecureScheme + kServiceWebHost + QStringLiteral("/s/"); }
inline bool holdsSharePageAddress(const QString &text)
{
    return text.contains(sharePagePrefix()) || text.contains(secureSharePagePrefix());
}

// Any text holding this is taken for a singer's home page.
inline const QString kSingerPageMarker = QStringLiteral("userPage.php?uid=");

inline QString resolveAddressPrefix()
{
    return kScheme + kServiceWebHost + QStringLiteral("/member/personcenter/loadplayurl.php?wid=");
}
inline QString resolveAddress(const QString &workId) { return resolveAddressPrefix() + workId; }

inline QString imagePrefix() { return kScheme + kServiceImageHost; }

inline QString videoPlayerAddress() { return kScheme + kVideoPlayerHost + QStringLiteral("/player"); }

// hostNumber is already in its shortest decimal form ("3", "-5", "681").
inline QString rebuiltAudioAddress(const QString &hostNumber, const QString &workId)
{
    return kScheme + QStringLiteral("a") + hostNumber + kServiceAudioHostSuffix
           + QStringLiteral("/userdata/userwork/") + workId.right(3) + QStringLiteral("/") + workId
           + QStringLiteral(".mp3");
}

inline QString versionFileAddress() { return kScheme + kMakerVersionHost + QStringLiteral("/version/main.txt"); }
inline QString forumAddress() { return kScheme + kMakerForumHost; }
inline QString homeAddress() { return kScheme + kMakerHomeHost; }

} // namespace endpoints
