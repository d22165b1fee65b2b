#!/usr/bin/env python3
"""A 1 GB download killed half-way and run again, in each engine, beside curl -C - doing the same.

nginx serves one file of --size-mb on loopback (with its ETag, Last-Modified and range support). For each
engine, `paperharvest batch --import` downloads it, is killed with SIGKILL once about half the file is on disk,
and is run again; curl is killed at the same point and resumed with `-C -`. nginx's log gives the body bytes each
second run cost the server; the check is that the second run transfers at most 55 % of the file. Everything lives
in one temporary folder, removed at the end.

    bench/download/run_resume_bench.py --build build [--size-mb 1024] [--kill-at 0.5]
"""
import argparse
import filecmp
import glob
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

MB = 1024 * 1024
GOAL = 0.55


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_file(path, size):
    block = os.urandom(MB)
    with open(path, "wb") as f:
        for _ in range(size // MB):
            f.write(block)
            # Each megabyte differs, so that a piece written at the wrong place cannot pass for the right one.
            block = block[1:] + block[:1]
    os.chmod(path, 0o644)


def start_nginx(root, work):
    port = free_port()
    for d in ("body", "proxy", "fastcgi", "uwsgi", "scgi"):
        os.makedirs(os.path.join(work, d), exist_ok=True)
    conf = os.path.join(work, "nginx.conf")
    log = os.path.join(work, "access.log")
    with open(conf, "w") as f:
        f.write(f"""
worker_processes 1;
daemon off;
pid {work}/nginx.pid;
error_log {work}/error.log warn;
events {{ worker_connections 64; }}
http {{
    log_format sent '$status $body_bytes_sent "$http_range"';
    access_log {log} sent;
    sendfile on;
    client_body_temp_path {work}/body;
    proxy_temp_path {work}/proxy;
    fastcgi_temp_path {work}/fastcgi;
    uwsgi_temp_path {work}/uwsgi;
    scgi_temp_path {work}/scgi;
    types {{ application/pdf pdf; }}
    server {{
        listen 127.0.0.1:{port};
        root {root};
    }}
}}
""")
    proc = subprocess.Popen(["nginx", "-c", conf, "-p", work], stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.1):
                return proc, port, log
        except OSError:
            time.sleep(0.05)
    proc.kill()
    sys.exit("nginx did not start")


def logged(log):
    """(status, body bytes, range asked) of each request since the log was last emptied."""
    with open(log) as f:
        return [(int(s), int(b), r.strip('"')) for s, b, r in (line.split(" ", 2) for line in f if line.strip())]


def empty_log(log):
    open(log, "w").close()  # nginx appends, so it goes on writing at the new end


def settle_log(log):
    """Waits until nginx has logged the request the kill cut off, so that it is not counted with the next run."""
    deadline = time.monotonic() + 10
    while not logged(log) and time.monotonic() < deadline:
        time.sleep(0.05)
    empty_log(log)


def kill_when_half_in(proc, paths, size, share):
    """SIGKILL as soon as one of `paths` (glob patterns) holds `share` of the file; the bytes then on disk."""
    while proc.poll() is None:
        for pattern in paths:
            for p in glob.glob(pattern):
                try:
                    if os.path.getsize(p) >= size * share:
                        proc.send_signal(signal.SIGKILL)
                        proc.wait()
                        return os.path.getsize(p)
                except FileNotFoundError:
                    pass
        time.sleep(0.002)
    sys.exit("the first run ended before it was half-way: " + str(proc.returncode))


def engine_run(program, engine, listing, out):
    return [program, "batch", "--import", listing, "--name-from-address", "--delay", "0", "--out", out,
            "--engine", str(engine), "--max-size", "100000", "-q"]


def measure_engine(engine, args, program, listing, out, source, log, env):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    cmd = engine_run(program, engine, listing, out)
    empty_log(log)
    first = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    kept = kill_when_half_in(first, [os.path.join(out, ".paperharvest-*.part")], args.size_mb * MB, args.kill_at)
    settle_log(log)
    start = time.monotonic()
    second = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wall = time.monotonic() - start
    target = os.path.join(out, "big.pdf")
    if second.returncode != 0 or not os.path.exists(target):
        sys.exit(f"engine {engine}: the second run failed ({second.returncode}): {second.stderr[-2000:]}")
    requests = logged(log)
    identical = filecmp.cmp(source, target, shallow=False)
    leftovers = [n for n in os.listdir(out) if n != "big.pdf"]
    # The program's own start and end, apart from any transfer: a run that finds the file there already.
    start = time.monotonic()
    subprocess.run(cmd + ["--same-name", "skip"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    overhead = time.monotonic() - start
    shutil.rmtree(out, ignore_errors=True)
    return kept, requests, wall, identical, leftovers, overhead


def measure_curl(args, url, out, source, log):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    target = os.path.join(out, "big.pdf")
    empty_log(log)
    first = subprocess.Popen(["curl", "-s", "-o", target, url])
    kept = kill_when_half_in(first, [target], args.size_mb * MB, args.kill_at)
    settle_log(log)
    start = time.monotonic()
    second = subprocess.run(["curl", "-s", "-S", "-f", "-C", "-", "-o", target, url])
    wall = time.monotonic() - start
    if second.returncode != 0:
        sys.exit(f"curl -C - failed ({second.returncode})")
    requests = logged(log)
    identical = filecmp.cmp(source, target, shallow=False)
    shutil.rmtree(out, ignore_errors=True)
    return kept, requests, wall, identical, [], 0.0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default="build", help="build directory holding src/paperharvest")
    ap.add_argument("--size-mb", type=int, default=1024)
    ap.add_argument("--kill-at", type=float, default=0.5, help="share of the file on disk when the first run is killed")
    args = ap.parse_args()
    program = os.path.abspath(os.path.join(args.build, "src", "paperharvest"))
    if not os.access(program, os.X_OK):
        sys.exit(f"no program at {program}")

    work = tempfile.mkdtemp(prefix="ph-resume-bench-")
    os.chmod(work, 0o755)  # nginx's workers may run as another user
    try:
        # The source, the partial body and the finished copy; one engine's copy is gone before the next begins.
        need = args.size_mb * MB * 3 + 256 * MB
        if shutil.disk_usage(work).free < need:
            sys.exit(f"needs {need // MB} MB free in {work}")
        root = os.path.join(work, "www")
        os.makedirs(os.path.join(root, "files"))
        source = os.path.join(root, "files", "big.pdf")
        make_file(source, args.size_mb * MB)
        nginx, port, log = start_nginx(root, os.path.join(work, "nginx"))
        try:
            prefix = f"http://127.0.0.1:{port}/files/"
            listing = os.path.join(work, "list.txt")
            with open(listing, "w") as f:
                f.write(prefix + "big.pdf\n")
            env = dict(os.environ, PAPERHARVEST_HOME=os.path.join(work, "home"), PAPERHARVEST_DOC_PREFIX=prefix,
                       QT_QPA_PLATFORM="offscreen", QTWEBENGINE_DISABLE_SANDBOX="1",
                       QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu")
            os.makedirs(env["PAPERHARVEST_HOME"], exist_ok=True)
            out = os.path.join(work, "out")
            results = []
            for engine in (1, 2):
                results.append((f"engine {engine}", *measure_engine(engine, args, program, listing, out, source, log,
                                                                    env)))
            results.append(("curl -C -", *measure_curl(args, prefix + "big.pdf", out, source, log)))
        finally:
            nginx.terminate()
            nginx.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    size = args.size_mb * MB
    print(f"one file of {args.size_mb} MB from nginx on loopback, killed with SIGKILL at about "
          f"{args.kill_at:.0%} and run again")
    print("kept: on disk when killed; resent: body bytes the second run cost the server; second run: its wall time;")
    print("start+end: the same run when the file is there already (the program's start, search-free run and end)")
    print(f"{'tool':<10} {'kept':>7} {'resent':>7} {'requests':>9} {'second run':>11} {'start+end':>10} "
          f"{'identical':>9}")
    ok = True
    curl_wall = results[-1][3]
    for label, kept, requests, wall, identical, leftovers, overhead in results:
        sent = sum(b for _, b, _ in requests)
        share = sent / size
        print(f"{label:<10} {kept / size:>7.1%} {share:>7.1%} {len(requests):>9} {wall:>10.2f}s {overhead:>9.2f}s "
              f"{str(identical):>9}" + (f"  left: {leftovers}" if leftovers else ""))
        ok = ok and identical and not leftovers and share <= GOAL
    for label, _, _, wall, _, _, overhead in results[:-1]:
        print(f"{label}: second run {wall / curl_wall:.2f} x curl -C -; without the program's start and end "
              f"{max(wall - overhead, 0.0) / curl_wall:.2f} x")
    print(f"check: every second run transfers at most {GOAL:.0%} of the file, and the file is whole: "
          + ("yes" if ok else "NO"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
