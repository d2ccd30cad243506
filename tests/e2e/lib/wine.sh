# Wine and X helpers shared by the end-to-end suite and the demo script (sourced).
#
# A Wine prefix is a throwaway folder; drive letters are symbolic links in its
# dosdevices folder, so a test's drives are plain Linux folders. Only C: is kept from
# a fresh prefix: Z: would map the whole Linux file system.

# The Wine loader. Debian's `wine` wrapper warns on every start when the 32-bit part is
# missing; the 64-bit loader behind it runs our 64-bit programs quietly.
#
# With WINE_KEEP_SERVER=1 (the e2e tests) it first makes sure that the prefix has its one
# Wine server of the whole test (keep_wine_server).
wine_loader() {
    [[ ${WINE_KEEP_SERVER:-0} == 1 ]] && keep_wine_server
    if command -v wine64 >/dev/null 2>&1; then
        echo wine64
    elif [[ -x /usr/lib/wine/wine64 ]]; then
        echo /usr/lib/wine/wine64
    else
        echo wine
    fi
}

# keep_wine_server : starts a Wine server for WINEPREFIX that stays until it is ended
# (wineserver -k), unless one runs already. Debian's Wine ends its server as soon as no
# program runs (persistence 0), and with it the prefix's services (the mount manager among
# them). A step that starts while the old server is still shutting down its services, or
# while the next one is booting them again, can meet a prefix without them, where every
# drive reads as having no root. One server for the whole test boots the services once.
# WINE_SERVER_PREFIX_COMMAND, when set, is put before the server's command (setpriv, to
# start it with fewer rights); WINE_SERVER_LOG, when set, takes what the server writes.
# A function wine_server_started, when defined, runs once the new server is there (the
# e2e tests wait there until Wine has booted its services).
keep_wine_server() {
    wine_server_running && return 0
    # shellcheck disable=SC2086  # the prefix command is words
    ${WINE_SERVER_PREFIX_COMMAND:-} wineserver -p 2>>"${WINE_SERVER_LOG:-/dev/null}" || wine_server_running || return 1
    if declare -F wine_server_started >/dev/null; then wine_server_started; fi
}

# True when a Wine server for WINEPREFIX runs.
wine_server_running() {
    local pid
    for pid in $(pgrep -x wineserver64) $(pgrep -x wineserver); do
        grep -qxzF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && return 0
    done
    return 1
}

# end_wine_server : ends the prefix's server and every program in it, and waits until it
# is gone, so that the next program starts a fresh one (which reads the drive letters and
# their types anew).
end_wine_server() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    return 0
}

# Environment every Wine process of ours gets: no debug noise, no offer to install
# .NET or HTML engines, no menu entries on the Linux desktop for the shortcuts a setup
# makes, English locale with UTF-8 file names. Wine would run its own built-in cacls and
# icacls in place of the stand-ins copied over them in the system folder: "n" runs the file.
# Wine's errors about its own memory layout stay on: a program that Wine could not start
# at all then says why instead of ending silently with exit code 1.
wine_environment() {
    export WINEDEBUG=-all,err+virtual
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;cacls.exe,icacls.exe=n"
    export LANG=C.UTF-8
    export LC_ALL=C.UTF-8
}

# start_xvfb <pid-var> : starts a virtual X display on a free display number, exports
# DISPLAY and stores the server's process id in the named variable.
start_xvfb() {
    local pid_var=$1 number_file pid
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac 3>"$number_file" >/dev/null 2>&1 &
    pid=$!
    local waited=0
    while [[ ! -s $number_file ]]; do
        if ! kill -0 "$pid" 2>/dev/null || ((waited >= 300)); then
            echo "error: Xvfb did not start" >&2
            rm -f "$number_file"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
    printf -v "$pid_var" '%s' "$pid"
}

# make_prefix <folder> [unmanaged] : a fresh Wine prefix (about 15 s), with every drive
# but C: removed. Waits until Wine has written it completely.
#
# "unmanaged" is for a display without a window manager: there Wine would wait up to
# 2 s for one each time a framed window is hidden; windows that Wine frames itself
# need no such wait.
make_prefix() {
    local prefix=$1 mode=${2:-}
    mkdir -p "$prefix"
    WINEPREFIX=$prefix wineboot -i >"$prefix.boot.log" 2>&1 || {
        echo "error: wineboot failed for $prefix (see $prefix.boot.log)" >&2
        return 1
    }
    if [[ $mode == unmanaged ]]; then
        wine_in "$prefix" "$prefix/drive_c" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            >>"$prefix.boot.log" 2>&1 || return 1
    fi
    WINEPREFIX=$prefix wineserver -w
    keep_only_drive_c "$prefix"
}

# Removes every drive letter (and raw device link such as d::) except C:.
keep_only_drive_c() {
    local prefix=$1 link name
    for link in "$prefix"/dosdevices/*; do
        name=${link##*/}
        [[ $name == c: ]] && continue
        if [[ $name =~ ^[a-z]::?$ ]]; then
            rm -f "$link"
        fi
    done
}

# copy_prefix <pristine> <new> : a copy for one test. The system32 folder (most of
# the size, never written by a test) is hard-linked; everything else is copied.
copy_prefix() {
    local from=$1 to=$2
    mkdir -p "$to"
    tar -C "$from" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$to" -xf - || return 1
    cp -al "$from/drive_c/windows/system32" "$to/drive_c/windows/system32"
}

# map_drive <prefix> <letter> <folder> : makes <letter>: show <folder>.
map_drive() {
    local prefix=$1 letter=${2,,} folder=$3
    mkdir -p "$folder"
    ln -sfn "$(cd "$folder" && pwd)" "$prefix/dosdevices/$letter:"
}

# wine_in <prefix> <linux-dir> <program> [args...] : runs a Windows program in the
# prefix with <linux-dir> (a folder inside a drive) as its working directory.
wine_in() {
    local prefix=$1 dir=$2
    shift 2
    (cd "$dir" && export WINEPREFIX=$prefix && exec "$(wine_loader)" "$@")
}

# set_hidden <prefix> <windows-path>... : gives files the Hidden attribute the Windows
# way, so that Wine stores it where it reads it back.
set_hidden() {
    local prefix=$1 path status=0
    shift
    for path in "$@"; do
        wine_in "$prefix" "$prefix/drive_c" cmd /c attrib +h "$path" >/dev/null 2>&1 || status=1
    done
    return $status
}

# windows_attributes <prefix> <windows-path> : the attribute letters `attrib` shows
# for the path (such as "A H"), without the path itself.
windows_attributes() {
    local line
    line=$(wine_in "$1" "$1/drive_c" cmd /c attrib "$2" 2>/dev/null | tr -d '\r' | head -n 1)
    # A line that does not end with the path is a message such as "File not found".
    [[ $line == *"$2" ]] || return 1
    line=${line%"$2"}
    echo "${line//[[:space:]]/}"
}

# screenshot_root <file.png> [x y w h] : the virtual screen, or a part of it, once it
# has stopped changing: a window that has just been shown may not be painted yet.
screenshot_root() {
    local file=$1 tries
    local -a crop=()
    (($# == 5)) && crop=(-crop "${4}x${5}+${2}+${3}" +repage)
    mkdir -p "$(dirname "$file")"
    local previous=$file.previous.png
    import -window root "${crop[@]}" "$previous" || return 1
    for ((tries = 0; tries < 10; tries++)); do
        sleep 0.3
        import -window root "${crop[@]}" "$file" || break
        if [[ $(compare -metric AE "$previous" "$file" null: 2>&1) == 0 ]]; then
            break
        fi
        mv -f "$file" "$previous"
    done
    [[ -f $file ]] || mv -f "$previous" "$file"
    rm -f "$previous"
    [[ -f $file ]]
}
