#include "engine/plugins/default_plugin_file.h"

#include <string>
#include <vector>

#include "engine/plugins/blowfish.h"
#include "engine/plugins/plugins.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

// Each definition removes only traces: recent-file lists, histories and caches, never settings
// or documents. The Detect key is one the application writes when it is installed or first run.
constexpr std::string_view kDefinitions = R"ini([VLC media player]
APP=VLC media player
CAT=Media players
Default=true
Detect=HKEY_LOCAL_MACHINE\Software\VideoLAN\VLC
RC=0
FC=2
FOC=1
FK1=%APPDATA%\vlc\ml.xspf
FK2=%APPDATA%\vlc\vlc-qt-interface.ini
FOK1=%APPDATA%\vlc\art

[Windows Media Player]
APP=Windows Media Player
CAT=Media players
Default=true
Detect=HKEY_CURRENT_USER\Software\Microsoft\MediaPlayer
RC=2
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\Microsoft\MediaPlayer\Player\RecentFileList
RK2=HKEY_CURRENT_USER\Software\Microsoft\MediaPlayer\Player\RecentURLList

[7-Zip]
APP=7-Zip
CAT=Archivers
Default=true
Detect=HKEY_CURRENT_USER\Software\7-Zip
RC=4
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\7-Zip\FM+ Value`= FolderHistory
RK2=HKEY_CURRENT_USER\Software\7-Zip\FM+ Value`= CopyHistory
RK3=HKEY_CURRENT_USER\Software\7-Zip\FM+ Value`= PanelPath0
RK4=HKEY_CURRENT_USER\Software\7-Zip\Compression+ Value`= ArcHistory

[WinRAR]
APP=WinRAR
CAT=Archivers
Default=true
Detect=HKEY_CURRENT_USER\Software\WinRAR
RC=3
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\WinRAR\ArcHistory
RK2=HKEY_CURRENT_USER\Software\WinRAR\DialogEditHistory\ArcName
RK3=HKEY_CURRENT_USER\Software\WinRAR\DialogEditHistory\ExtrPath

[Firefox cache]
APP=Firefox
CAT=Browsers
Default=true
Detect=HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox
RC=0
FC=0
FOC=1
FOK1=%LOCALAPPDATA%\Mozilla\Firefox\Profiles

[Chrome cache]
APP=Google Chrome
CAT=Browsers
Default=true
Detect=HKEY_CURRENT_USER\Software\Google\Chrome
RC=0
FC=0
FOC=4
FOK1=%LOCALAPPDATA%\Google\Chrome\User Data\Default\Cache
FOK2=%LOCALAPPDATA%\Google\Chrome\User Data\Default\Code Cache
FOK3=%LOCALAPPDATA%\Google\Chrome\User Data\Default\GPUCache
FOK4=%LOCALAPPDATA%\Google\Chrome\User Data\ShaderCache

[Steam web cache]
APP=Steam
CAT=Games
Default=true
Detect=HKEY_CURRENT_USER\Software\Valve\Steam
RC=0
FC=0
FOC=1
FOK1=%LOCALAPPDATA%\Steam\htmlcache

[Notepad++ session]
APP=Notepad++
CAT=Editors
Default=false
Detect=HKEY_LOCAL_MACHINE\Software\Notepad++
RC=0
FC=1
FOC=0
FK1=%APPDATA%\Notepad++\session.xml

[Adobe Reader recent files]
APP=Adobe Acrobat Reader
CAT=Documents
Default=true
Detect=HKEY_CURRENT_USER\Software\Adobe\Acrobat Reader
RC=1
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\Adobe\Acrobat Reader\DC\AVGeneral\cRecentFiles

[Paint recent files]
APP=Paint
CAT=Windows
Default=true
Detect=HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Paint
RC=1
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Paint\Recent File List

[WordPad recent files]
APP=WordPad
CAT=Windows
Default=true
Detect=HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Wordpad
RC=1
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Wordpad\Recent File List

[Registry editor last key]
APP=Registry editor
CAT=Windows
Default=true
Detect=HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit
RC=1
FC=0
FOC=0
RK1=HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit+ Value`= LastKey

[mIRC logs]
APP=mIRC
CAT=Messengers
Default=false
Detect=HKEY_CURRENT_USER\Software\mIRC
RC=0
FC=0
FOC=1
FOK1=%APPDATA%\mIRC\logs
)ini";

}  // namespace

std::string_view default_plugin_definitions() { return kDefinitions; }

bool install_default_plugin_file() {
    auto& files = platform::current_machine().files();
    const std::string file = Plugins::plugin_file();
    if (files.exists(file)) return false;
    std::vector<uint8_t> bytes(kDefinitions.begin(), kDefinitions.end());
    Blowfish(false).EncryptByte(bytes, Plugins::kFileKey);
    files.write_text(file, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    return true;
}

}  // namespace engine
