#!/usr/bin/env bash
# Source it; then
#   qv_run_stoppable COMMAND [ARGS...]
# runs the command so that a Ctrl-C (or TERM, HUP) of the caller stops it: a
# command that puts itself in a process group of its own (timeout does) is
# out of reach of the terminal's Ctrl-C, and a shell runs no trap while its
# foreground command runs. The command runs in the background instead and is
# handed the signal, which reaches its process group; the status is then
# 130 (INT), 143 (TERM) or 129 (HUP) whatever the command returned,
# otherwise the command's own.
qv_run_stoppable() {
  local pid="" stopped="" rc
  trap 'stopped=130; [ -n "$pid" ] && kill -INT "$pid" 2>/dev/null' INT
  trap 'stopped=143; [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null' TERM
  trap 'stopped=129; [ -n "$pid" ] && kill -HUP "$pid" 2>/dev/null' HUP
  "$@" &
  pid=$!
  # A signal that came before the command started is handed on now.
  case "$stopped" in
    130) kill -INT "$pid" 2>/dev/null ;;
    143) kill -TERM "$pid" 2>/dev/null ;;
    129) kill -HUP "$pid" 2>/dev/null ;;
  esac
  # A trapped signal ends the wait early; the command is waited for again.
  while :; do
    wait "$pid"
    rc=$?
    kill -0 "$pid" 2>/dev/null || break
  done
  trap - INT TERM HUP
  [ -n "$stopped" ] && return "$stopped"
  return $rc
}
