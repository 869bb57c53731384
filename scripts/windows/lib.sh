# Shared by the Windows build, package and test scripts (sourced, not run).
# Paths: the repository, the cache of what is built once (~/.cache/orvex-windows) and the
# build folder of the tool itself (build/windows).
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cache="${ORVEX_WINDOWS_CACHE:-$HOME/.cache/orvex-windows}"
# The prebuilt libraries: ../shared/windows beside the repository (as CI lays it out).
shared_windows="${ORVEX_WINDOWS_SHARED:-$repo/../shared/windows}"
build_dir="${ORVEX_WINDOWS_BUILD:-$repo/build/windows}"
mingw=x86_64-w64-mingw32
jobs="${ORVEX_WINDOWS_JOBS:-2}"
mkdir -p "$cache"

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

# Heavy steps yield to whatever else the machine runs.
heavy() { nice -n 10 "$@"; }

# Runs a named step and prints how long it took.
step() {
    local name="$1" started=$SECONDS
    shift
    echo "== $name"
    "$@"
    local took=$((SECONDS - started))
    printf '== %s: %dm %02ds\n' "$name" $((took / 60)) $((took % 60))
}

# Installs the Debian packages named that are missing.
need_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# Source packages come from the system's own Debian mirror and suites: a deb-src twin of
# each Debian "deb" entry, added once.
enable_deb_src() {
    local list=/etc/apt/sources.list.d/orvex-deb-src.sources
    [ -f "$list" ] && return 0
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${as_root[@]}" tee "$list" >/dev/null
    else
        grep -E '^deb .*debian' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            "${as_root[@]}" tee "${list%.sources}.list" >/dev/null
        "${as_root[@]}" touch "$list"
    fi
    "${as_root[@]}" apt-get update -qq
}

# Unpacks Debian's source of a package (with Debian's patches) into $cache/src and prints
# its folder. The newest version the mirror still holds is taken: a security update's files
# may be listed before the mirror has them.
debian_source() {
    local pkg="$1" dir="$cache/src" version
    mkdir -p "$dir"
    local existing
    existing=$(find "$dir" -maxdepth 1 -type d -name "$pkg-[0-9]*" | sort -V | tail -1)
    if [ -n "$existing" ]; then
        echo "$existing"
        return 0
    fi
    for version in $(apt-cache showsrc "$pkg" | awk '/^Version:/ {print $2}' | sort -Vru); do
        if (cd "$dir" && apt-get source -qq --download-only "$pkg=$version" >&2 2>/dev/null); then
            local dsc
            dsc=$(ls "$dir/${pkg}_${version#*:}.dsc")
            (cd "$dir" && dpkg-source --no-check -x "$dsc" >&2)
            find "$dir" -maxdepth 1 -type d -name "$pkg-[0-9]*" | sort -V | tail -1
            return 0
        fi
    done
    echo "no source of $pkg could be fetched" >&2
    return 1
}

# A short digest of files and words: a cached build is reused while its digest is unchanged.
inputs_digest() {
    { for f in "$@"; do [ -f "$f" ] && sha256sum <"$f" || echo "$f"; done; } | sha256sum | cut -c1-16
}

# Wine with its own prefix in the cache, quiet, and the Windows libraries on its path.
wine_env() {
    export WINEPREFIX="$cache/wine"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    local qt="$cache/qt6-mingw" winpath=""
    local d
    for d in "$qt/bin" "$cache/sqlite-mingw/bin" "$cache/poppler-mingw/bin" "/usr/lib/gcc/$mingw/12-posix" \
        "/usr/$mingw/lib"; do
        winpath="$winpath;Z:${d//\//\\}"
    done
    export WINEPATH="${winpath#;}"
    export QT_PLUGIN_PATH="Z:${qt//\//\\}\\plugins"
}
