# Shell functions (sourced) that serve a folder with nginx on 127.0.0.1 for the end-to-end
# test and the benchmark: its own configuration, logs and pid file in a work folder, in the
# foreground of a background job so that the caller owns the process and stops it.

# free_port: prints a TCP port on 127.0.0.1 that nothing listens on.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_nginx DOCROOT PORT WORKDIR SERVER_NAME [WORKERS]: starts nginx and waits until it
# answers; sets NGINX_PID. Access log: WORKDIR/access.log.
start_nginx() {
  local docroot=$1 port=$2 work=$3 name=$4 workers=${5:-1}
  local nginx_bin
  nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
  mkdir -p "$work/tmp"
  {
    echo "daemon off;"
    echo "worker_processes $workers;"
    [[ $(id -u) -eq 0 ]] && echo "user root;"
    echo "pid $work/nginx.pid;"
    echo "error_log $work/error.log warn;"
    echo "events { worker_connections 4096; }"
    echo "http {"
    echo "  types { text/html html; text/css css; application/javascript js; image/png png; application/xml xml; }"
    echo "  default_type application/octet-stream;"
    echo "  access_log $work/access.log;"
    for t in client_body proxy fastcgi uwsgi scgi; do echo "  ${t}_temp_path $work/tmp/$t;"; done
    echo "  keepalive_requests 1000000;"
    echo "  log_not_found off;"
    echo "  server {"
    echo "    listen 127.0.0.1:$port;"
    echo "    server_name $name;"
    echo "    root $docroot;"
    echo "    index index.html;"
    echo "  }"
    echo "}"
  } >"$work/nginx.conf"
  "$nginx_bin" -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
  NGINX_PID=$!
  local i
  for i in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    if ! kill -0 "$NGINX_PID" 2>/dev/null; then break; fi
    sleep 0.05
  done
  echo "nginx did not start on 127.0.0.1:$port:" >&2
  cat "$work/error.log" >&2 || true
  return 1
}

# stop_nginx: stops the nginx started by start_nginx (if any) and waits for it.
stop_nginx() {
  if [[ -n "${NGINX_PID:-}" ]]; then
    kill -QUIT "$NGINX_PID" 2>/dev/null || true
    wait "$NGINX_PID" 2>/dev/null || true
    NGINX_PID=
  fi
}
