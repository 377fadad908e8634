# Sourced by run.sh: a scripted tour of Brenlow inside a Wine virtual desktop, clicked with xdotool,
# with a screenshot of each step. TourControl.exe finds the windows and waits for their changes.

TOUR_DESKTOP=Brenlow
TOUR_SIZE=1024x768
tour_screenshots=$BRENLOW_DEMO/screenshots
tour_brenlow_pid=
tour_desktop=$TOUR_DESKTOP
tour_size=$TOUR_SIZE

tour_control() {
  BRENLOW_TOUR_DESKTOP=$tour_desktop "$BRENLOW_WINE" "$BRENLOW_BUILD/bin/TourControl.exe" "$@" </dev/null
}

tour_fail() {
  echo "tour: $*" >&2
  import -window root -crop "$tour_size+0+0" +repage "$tour_screenshots/failed.png" 2>/dev/null || true
  echo "tour: the screen at that moment is in $tour_screenshots/failed.png" >&2
  if [ -s "$BRENLOW_DEMO/brenlow.out" ]; then
    echo "tour: Brenlow's output so far:" >&2
    cat "$BRENLOW_DEMO/brenlow.out" >&2
  fi
  return 1
}

tour_shot() {
  local file=$tour_screenshots/$1.png
  import -window root -crop "$tour_size+0+0" +repage "$file"
  echo "tour:   screenshot $file"
}

# Moves the pointer to a control that TourControl locates, and clicks it.
tour_click() {
  local point
  point=$(tour_control point "$@") || tour_fail "no $* to click" || return 1
  # shellcheck disable=SC2086  # "x y"
  xdotool mousemove --sync $point click 1
}

tour_open_list() {
  tour_click combo-arrow || return 1
  tour_control wait-dropdown 5000 || tour_fail "the drop-down list did not open"
}

# Picks the configuration `name` from the open drop-down list.
tour_pick() {
  local name=$1 index
  index=$(tour_control combo-items | grep -nxF -- "$name" | cut -d: -f1) || true
  [ -n "$index" ] || tour_fail "the drop-down list does not offer $name" || return 1
  tour_click combo-item $((index - 1)) || return 1
  tour_control wait-selection "$name" 5000 || tour_fail "$name was not chosen"
}

# Starts the configuration `name` picked from the open drop-down list; the list then has `rows` rows.
tour_start_picked() {
  local name=$1 rows=$2
  echo "tour: start $name"
  tour_pick "$name" || return 1
  tour_click start || return 1
  tour_expect_rows "$rows" 10000 "no row for $name"
}

tour_start_server() {
  tour_open_list && tour_start_picked "$@"
}

tour_expect_rows() {
  tour_control wait-rows "$1" "$2" | sed 's/^/tour:   row: /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || tour_fail "$3"
}

tour_expect_notice() {
  local text
  text=$(tour_control wait-notice 10000) || tour_fail "no notice opened" || return 1
  echo "tour:   notice: $text"
  [ "$text" = "$1" ] || tour_fail "the notice says \"$text\", not \"$1\""
}

# Starts Brenlow in a virtual desktop of its own.
tour_begin() {
  (cd "$demo_program" &&
    exec "$BRENLOW_WINE" explorer /desktop="$tour_desktop,$tour_size" Brenlow.exe >>"$BRENLOW_DEMO/brenlow.out" 2>&1 </dev/null) &
  tour_brenlow_pid=$!
  tour_control wait-main 60000 || tour_fail "Brenlow's window did not appear"
}

tour_walk() {
  echo "tour: Brenlow is open"
  tour_shot 01-started || return 1

  echo "tour: open the list of configurations (No_Token has no cluster_token.txt and is not offered)"
  tour_open_list || return 1
  tour_control combo-items | sed 's/^/tour:   offered: /'
  tour_shot 02-configurations || return 1
  tour_start_picked "My Cluster" 1 || return 1
  tour_start_server "$DEMO_SELF_ENDING" 2 || return 1
  tour_start_server 中文集群 3 || return 1
  tour_shot 03-three-servers || return 1

  echo "tour: $DEMO_SELF_ENDING ends by itself after $((DEMO_SELF_ENDING_MS / 1000)) s; its row goes at the next sweep"
  tour_expect_rows 2 30000 "the row of $DEMO_SELF_ENDING stayed" || return 1
  tour_shot 04-one-ended-by-itself || return 1

  echo "tour: force-close My Cluster"
  tour_click row-button 0 || return 1
  tour_expect_notice "强制关闭专用服务器可能会导致部分存档丢失，建议您手动关闭" || return 1
  tour_shot 05-force-close-warning || return 1
  tour_click notice-ok || return 1
  tour_expect_rows 1 10000 "the row of My Cluster stayed after the force-close" || return 1
  tour_shot 06-force-closed || return 1

  echo "tour: close Brenlow with 中文集群 still running"
  tour_close_confirmed 07-close-confirmation || return 1
  tour_shot 08-closed || return 1
}

# Brenlow has ended its servers itself and its process is gone; whatever is left counts as a failure.
tour_end() {
  local servers
  servers=$(tour_control servers)
  [ "$servers" = 0 ] || tour_fail "$servers server processes were left running" || return 1
  tour_wait_ended || return 1
  echo "tour: Brenlow ended with no server left running"
}

# Waits until Brenlow's process (and its desktop) has ended.
tour_wait_ended() {
  local i
  for i in $(seq 1 100); do
    kill -0 "$tour_brenlow_pid" 2>/dev/null || return 0
    sleep 0.1
  done
  tour_fail "Brenlow's process did not end"
}

# Closes Brenlow with its servers running, as a user would, and confirms.
tour_close_confirmed() {
  tour_click close-button || return 1
  tour_expect_notice "启动器关闭后，专用服务器也会被关闭，确认关闭吗？" || return 1
  tour_shot "$1" || return 1
  tour_click notice-ok || return 1
  tour_control wait-gone 10000 || tour_fail "Brenlow did not close"
}

TOUR_DPI_KEY='HKCU\Control Panel\Desktop'
# The display scaling a program takes when it starts (LogPixels), or nothing when the prefix has none.
tour_dpi() {
  "$BRENLOW_WINE" reg query "$TOUR_DPI_KEY" /v LogPixels </dev/null 2>/dev/null | awk '$1 == "LogPixels" { print $3 }' | tr -d '\r'
}
tour_set_dpi() {
  if [ -n "$1" ]; then
    quietly "$BRENLOW_WINE" reg add "$TOUR_DPI_KEY" /v LogPixels /t REG_DWORD /d $(($1)) /f
  else
    quietly "$BRENLOW_WINE" reg delete "$TOUR_DPI_KEY" /v LogPixels /f
  fi
}

# Brenlow again at 150 % (144 DPI), in a larger desktop: the dialog and its columns grow together.
tour_scaled_walk() {
  echo "tour: Brenlow again at 150 % display scaling"
  tour_open_list || return 1
  tour_start_picked "My Cluster" 1 || return 1
  tour_start_server 中文集群 2 || return 1
  tour_shot 09-scaled-150 || return 1
  tour_close_confirmed 10-scaled-close-confirmation
}

tour_scaled() {
  local saved status=0
  saved=$(tour_dpi)
  tour_set_dpi 144 || return 1
  tour_desktop=${TOUR_DESKTOP}150
  tour_size=1280x1024
  { tour_begin && tour_scaled_walk && tour_end; } || status=1
  tour_set_dpi "$saved" || status=1
  tour_desktop=$TOUR_DESKTOP
  tour_size=$TOUR_SIZE
  return $status
}

# Brenlow ended by force with two servers running, as the task manager ends it: started again, it
# finds them and shows their rows. Its desktop is told of no closed window and stays until the second
# Brenlow closes.
tour_found_again() {
  echo "tour: Brenlow again, with two servers"
  tour_begin || return 1
  tour_open_list || return 1
  tour_start_picked "My Cluster" 1 || return 1
  tour_start_server 中文集群 2 || return 1
  echo "tour: Brenlow is ended by force; its servers go on"
  tour_control end-by-force 10000 || tour_fail "Brenlow could not be ended by force" || return 1
  local servers desktop=$tour_brenlow_pid
  servers=$(tour_control servers)
  [ "$servers" = 2 ] || tour_fail "$servers servers run after Brenlow was ended, not 2" || return 1
  echo "tour: Brenlow started again finds them"
  tour_begin || return 1
  tour_expect_rows 2 10000 "the servers that still run have no rows" || return 1
  tour_shot 11-found-again || return 1
  tour_close_confirmed 12-found-again-close-confirmation || return 1
  tour_end || return 1
  tour_brenlow_pid=$desktop
  tour_wait_ended
}

tour_run() {
  rm -rf "$tour_screenshots"
  mkdir -p "$tour_screenshots"
  : >"$BRENLOW_DEMO/brenlow.out"
  tour_begin && tour_walk && tour_end && tour_scaled && tour_found_again || return 1
  echo "tour: done; screenshots are in $tour_screenshots"
}
