# Sourced by run.sh: lays out the demo folder from the build and prepares the Wine prefix.
# Expects env.sh to be sourced and BRENLOW_DEMO to name the demo folder.

demo_program=$BRENLOW_DEMO/program
demo_documents=$BRENLOW_DEMO/Documents

# Brenlow.exe beside the stand-in launcher library and server, as a user would lay them out. With
# "keep", what an earlier run left there stays (its log, the record of servers that still run), and a
# program is replaced by renaming a new copy over it, which leaves a server that runs from it running.
demo_prepare_program() {
  local bin=$BRENLOW_BUILD/bin file
  [ "${1:-}" = keep ] || rm -rf "$demo_program"
  mkdir -p "$demo_program"
  for file in Brenlow.exe tarn_launcher.dll moorwake_dedicated_server_nullrenderer.exe; do
    cmp -s "$bin/$file" "$demo_program/$file" && continue
    cp "$bin/$file" "$demo_program/$file.new"
    mv -f "$demo_program/$file.new" "$demo_program/$file"
  done
}

# One configuration: a folder with the marker file, optionally telling its server to end by itself.
demo_add_config() {
  local folder=$demo_documents/Vornak/MoorwakeTarn/$1
  mkdir -p "$folder"
  printf 'demo-token-%s\n' "$1" >"$folder/cluster_token.txt"
  if [ -n "${2:-}" ]; then printf '%s\n' "$2" >"$folder/devserver_exit_after_ms.txt"; fi
}

# Five listed configurations and one that is not (no cluster_token.txt).
DEMO_SELF_ENDING=Ends_Soon
DEMO_SELF_ENDING_MS=10000
demo_prepare_documents() {
  rm -rf "$demo_documents"
  demo_add_config Cluster_1
  demo_add_config Cluster_2
  demo_add_config "My Cluster"
  demo_add_config 中文集群
  demo_add_config "$DEMO_SELF_ENDING" "$DEMO_SELF_ENDING_MS"
  mkdir -p "$demo_documents/Vornak/MoorwakeTarn/No_Token"
  printf 'not a marker\n' >"$demo_documents/Vornak/MoorwakeTarn/No_Token/cluster.ini"
}

# Wine's caption buttons are glyphs of its Marlett font, which this Wine does not load from its own data
# folder; a copy in the prefix's Fonts folder is found under every locale.
demo_install_caption_font() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  [ -f "$fonts/marlett.ttf" ] && return 0
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
}

# The prefix's Documents folder is the demo's; windows are managed by the desktop's window manager
# when there is one (the test session turns that off for its own reasons).
demo_prepare_prefix() {
  local managed=$1
  demo_install_caption_font
  local documents="Z:${demo_documents//\//\\}"
  quietly "$BRENLOW_WINE" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v Personal /t REG_EXPAND_SZ /d "$documents" /f
  quietly "$BRENLOW_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f
}
