#!/usr/bin/env python3
"""Engine 2 beside curl and aria2c: the same files from one nginx on loopback, at the same concurrency.

Sets: 200 files of 1 MB (3 transfers at a time) and one file of 1 GB. For each tool the median wall time of
--repeat runs and the peak resident memory; then the ratios engine/curl and engine/aria2c, and the two checks:
engine 2 at most 15 % slower than curl on the 200-file set, and the 1 GB download raising the engine's peak
resident memory by less than 64 MB.

    bench/download/run_download_bench.py --build build [--repeat 5] [--settle 8] [--scheduler]
"""
import argparse
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

MB = 1024 * 1024


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_files(folder, count, size, name):
    block = os.urandom(MB)
    paths = []
    for i in range(count):
        path = os.path.join(folder, name.format(i))
        with open(path, "wb") as f:
            left = size
            while left > 0:
                f.write(block[: min(left, MB)])
                left -= MB
        os.chmod(path, 0o644)
        paths.append(os.path.basename(path))
    return paths


def start_nginx(root, work):
    port = free_port()
    conf = os.path.join(work, "nginx.conf")
    for d in ("body", "proxy", "fastcgi", "uwsgi", "scgi"):
        os.makedirs(os.path.join(work, d), exist_ok=True)
    with open(conf, "w") as f:
        f.write(f"""
worker_processes 2;
daemon off;
pid {work}/nginx.pid;
error_log {work}/error.log warn;
events {{ worker_connections 256; }}
http {{
    access_log off;
    sendfile on;
    tcp_nopush on;
    keepalive_requests 10000;
    client_body_temp_path {work}/body;
    proxy_temp_path {work}/proxy;
    fastcgi_temp_path {work}/fastcgi;
    uwsgi_temp_path {work}/uwsgi;
    scgi_temp_path {work}/scgi;
    types {{ application/octet-stream bin; }}
    server {{
        listen 127.0.0.1:{port};
        root {root};
    }}
}}
""")
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    proc = subprocess.Popen([nginx, "-c", conf, "-p", work], stderr=subprocess.PIPE)
    for _ in range(100):
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return proc, port
        except OSError:
            if proc.poll() is not None:
                sys.exit("nginx did not start: " + proc.stderr.read().decode())
            time.sleep(0.05)
    sys.exit("nginx does not accept connections")


def run(cmd):
    """Wall seconds, peak RSS (kB) of the child and its stdout."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out = proc.stdout.read()
    err = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"{cmd[0]} failed ({proc.returncode}): {err.decode()[-2000:]} {out.decode()[-2000:]}")
    return wall, usage.ru_maxrss, out.decode()


def empty(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def check_files(folder, names, size):
    for n in names:
        p = os.path.join(folder, n)
        if not os.path.exists(p) or os.path.getsize(p) != size:
            sys.exit(f"{p}: missing or wrong size")


def measure(label, names, size, urls_file, work, args, engine_bin, base):
    """Runs the tools in turns (engine, curl, aria2c, engine, ...), each into a fresh folder that is removed
    afterwards; then waits --settle seconds, so that one run's deleted files and dirty pages do not slow the next
    (the file system skips recently freed inodes when it allocates new ones)."""
    out = os.path.join(work, "out")
    tools = {
        "engine": [engine_bin, "--urls", urls_file, "--out", out, "--slots", str(args.slots)],
        "curl": None,
        "aria2c": ["aria2c", "-i", urls_file, "-d", out, f"-j{args.slots}", "-x1", "-s1",
                   "--allow-overwrite=true", "--auto-file-renaming=false", "--file-allocation=none",
                   "--console-log-level=warn", "--summary-interval=0", "--download-result=hide", "-q"],
    }
    curl_cfg = os.path.join(work, label + ".curl")
    with open(curl_cfg, "w") as f:
        for n in names:
            f.write(f'url = "{base}/{n}"\noutput = "{out}/{n}"\n')
    tools["curl"] = ["curl", "--parallel", "--parallel-max", str(args.slots), "-s", "-S", "-f", "-K", curl_cfg]
    runs = [(tool, cmd) for _ in range(args.repeat) for tool, cmd in tools.items()]
    if args.scheduler:
        runs.append(("engine via scheduler (1 s tick)", tools["engine"] + ["--driver", "scheduler"]))

    samples = {}
    for tool, cmd in runs:
        empty(out)
        time.sleep(args.settle)
        wall, peak, stdout = run(cmd)
        check_files(out, names, size)
        raise_kb = None
        if tool.startswith("engine"):
            fields = dict(kv.split("=") for kv in stdout.split())
            raise_kb = int(fields["peak_rss_kb"]) - int(fields["hwm_before_kb"])
        samples.setdefault(tool, []).append((wall, peak, raise_kb))
        shutil.rmtree(out, ignore_errors=True)
    results = {}
    for tool, rows in samples.items():
        raises = [r for _, _, r in rows if r is not None]
        results[tool] = (statistics.median(w for w, _, _ in rows), max(p for _, p, _ in rows),
                         max(raises) if raises else None, [round(w, 3) for w, _, _ in rows])
    return results


def report(label, results):
    print(f"\n{label}")
    print(f"  {'tool':34} {'wall s (median)':>16} {'peak RSS MB':>12}   runs")
    for tool, (wall, rss, raise_kb, walls) in results.items():
        extra = f"   raise during the run: {raise_kb / 1024:.1f} MB" if raise_kb is not None else ""
        print(f"  {tool:34} {wall:16.3f} {rss / 1024:12.1f}   {walls}{extra}")
    e = results["engine"][0]
    print(f"  engine/curl   = {e / results['curl'][0]:.3f}")
    print(f"  engine/aria2c = {e / results['aria2c'][0]:.3f}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build", help="build directory holding bench/download/bench_download_engine")
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--slots", type=int, default=3)
    ap.add_argument("--files", type=int, default=200)
    ap.add_argument("--big-mb", type=int, default=1024)
    ap.add_argument("--scheduler", action="store_true", help="also run through the scheduler's 1 s tick")
    ap.add_argument("--settle", type=float, default=8.0, help="seconds of rest before each run")
    args = ap.parse_args()

    engine_bin = os.path.abspath(os.path.join(args.build, "bench/download/bench_download_engine"))
    for tool in (engine_bin, shutil.which("curl"), shutil.which("aria2c")):
        if not tool or not os.path.exists(tool):
            sys.exit(f"missing: {tool}")

    work = tempfile.mkdtemp(prefix="ph-dlbench-")
    os.chmod(work, 0o755)
    need = (args.files * MB + args.big_mb * MB) * 2 + 512 * MB
    if shutil.disk_usage(work).free < need:
        sys.exit(f"not enough space in {work}: need {need // MB} MB")
    data = os.path.join(work, "data")
    os.makedirs(data)
    os.chmod(data, 0o755)
    nginx = None
    try:
        small = make_files(data, args.files, MB, "f{:03d}.bin")
        big = make_files(data, 1, args.big_mb * MB, "big{}.bin")
        nginx, port = start_nginx(data, work)
        base = f"http://127.0.0.1:{port}"
        print(f"nginx on {base}; {args.slots} transfers at a time; median of {args.repeat} runs")
        for label, names, size in (("200 files of 1 MB" if args.files == 200 else f"{args.files} files of 1 MB",
                                    small, MB),
                                   (f"one file of {args.big_mb} MB", big, args.big_mb * MB)):
            urls = os.path.join(work, label.replace(" ", "_") + ".txt")
            with open(urls, "w") as f:
                f.writelines(f"{base}/{n}\n" for n in names)
            results = measure(label.replace(" ", "_"), names, size, urls, work, args, engine_bin, base)
            report(label, results)
            if names is small:
                ratio = results["engine"][0] / results["curl"][0]
                print(f"  CHECK engine no more than 15% slower than curl: {'ok' if ratio <= 1.15 else 'FAILED'}")
            else:
                raise_mb = results["engine"][2] / 1024
                print(f"  CHECK 1 GB download raises peak RSS by less than 64 MB: "
                      f"{raise_mb:.1f} MB {'ok' if raise_mb < 64 else 'FAILED'}")
    finally:
        if nginx:
            nginx.send_signal(signal.SIGQUIT)
            nginx.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
