# Fetches Debian 12 source packages through a private sources list, so the machine's apt
# configuration is left alone. Sourced by the Windows build scripts.

# debian_source DIR PACKAGE...: downloads the packages' sources into DIR (apt state in DIR/apt).
debian_source() {
  local dir=$1
  shift
  local apt_dir=$dir/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  # The Debian mirror the machine already uses (one-line or deb822 sources).
  local mirror
  mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk '$1 == "deb" || $1 == "URIs:" { for (i = 2; i <= NF; ++i) if ($i ~ /^[a-z]+:\/\/.*\/debian\/?$/) { print $i; exit } }' || true)
  echo "deb-src $mirror bookworm main" >"$apt_dir/sources.list"
  local apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=-
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User="$(id -un)")
  apt-get "${apt_options[@]}" update -q
  (cd "$dir" && apt-get "${apt_options[@]}" source --download-only "$@")
}
