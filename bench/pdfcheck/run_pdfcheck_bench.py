#!/usr/bin/env python3
"""The PDF check: how fast it opens 10-page PDFs, and that the downloads keep their pace with it on.

Makes 1000 PDFs of 10 pages (QPdfWriter), checks them one after another (files per second, ms per file; the goal
is at most 20 ms a file), then downloads the same set from nginx on loopback with the scheduler (3 transfers),
--repeat times each with the check off and on, in pairs of one run of each, and prints the median
download wall times, the time until the last verdict came, and the main thread's own processor time and the times
it was put off a processor it wanted (the same work in the same time: nothing of the check reached it).

On a shared machine single runs spread by a third and more, so the verdict is the median of the on/off ratios of
the pairs (a pair shares the load of its moment): at most 1.10 passes.

    bench/pdfcheck/run_pdfcheck_bench.py --build build [--count 1000] [--pages 10] [--repeat 5]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "download"))
from run_download_bench import start_nginx  # noqa: E402


def fields(line):
    return dict(part.split("=", 1) for part in line.split())


def bench(binary, *args):
    out = subprocess.run([binary, *args], check=True, capture_output=True, text=True).stdout
    return fields(out.strip().splitlines()[-1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--pages", type=int, default=10)
    parser.add_argument("--repeat", type=int, default=5)
    a = parser.parse_args()
    binary = os.path.join(a.build, "bench", "pdfcheck", "bench_pdfcheck")
    work = tempfile.mkdtemp(prefix="pdfcheck-bench-")
    # nginx's workers read the files as another user.
    os.chmod(work, 0o755)
    try:
        files = os.path.join(work, "files")
        made = bench(binary, "make", "--out", files, "--count", str(a.count), "--pages", str(a.pages))
        os.chmod(files, 0o755)
        for name in os.listdir(files):
            os.chmod(os.path.join(files, name), 0o644)
        print(f"set: {made['made']} PDFs of {a.pages} pages, {int(made['bytes']) / 1e6:.1f} MB")
        checks = [bench(binary, "check", "--dir", files) for _ in range(a.repeat)]
        per_file = statistics.median(float(c["per_file_ms"]) for c in checks)
        print(f"check alone: {per_file:.2f} ms per file, {1000 / per_file:.0f} files/s")
        print(f"  CHECK at most 20 ms per 10-page file: {'ok' if per_file <= 20 else 'FAILED'}")

        nginx, port = start_nginx(files, os.path.join(work, "nginx"))
        try:
            urls = os.path.join(work, "urls.txt")
            with open(urls, "w") as f:
                for name in sorted(os.listdir(files)):
                    f.write(f"http://127.0.0.1:{port}/{name}\n")
            runs = {"off": [], "on": []}
            for pair in range(a.repeat):
                # Which goes first alternates, so neither mode always meets the caches the other left.
                for mode in ("off", "on") if pair % 2 == 0 else ("on", "off"):
                    out = os.path.join(work, "out-" + mode)
                    shutil.rmtree(out, ignore_errors=True)
                    os.makedirs(out)
                    result = bench(binary, "download", "--urls", urls, "--out", out, "--check", mode)
                    if result["failed"] != "0":
                        sys.exit(f"{result['failed']} downloads failed")
                    runs[mode].append(result)
            for mode in ("off", "on"):
                print(f"  check {mode}: " + ", ".join(r["download_ms"] + " ms" for r in runs[mode]))
            med = {mode: {key: statistics.median(int(r[key]) for r in runs[mode])
                          for key in ("download_ms", "main_cpu_ms", "main_put_off")} for mode in runs}
            last = statistics.median(int(r["checks_done_ms"]) for r in runs["on"])
            print(f"downloads, check off: {med['off']['download_ms']:.0f} ms; check on: {med['on']['download_ms']:.0f} ms "
                  f"(last verdict at {last:.0f} ms)")
            print(f"main thread, check off: {med['off']['main_cpu_ms']:.0f} ms processor time, put off "
                  f"{med['off']['main_put_off']:.0f} times; check on: {med['on']['main_cpu_ms']:.0f} ms, put off "
                  f"{med['on']['main_put_off']:.0f} times")
            pairs = [int(on["download_ms"]) / int(off["download_ms"]) for off, on in zip(runs["off"], runs["on"])]
            ratio = statistics.median(pairs)
            print(f"on/off per pair: {', '.join(f'{p:.2f}' for p in pairs)}; median {ratio:.3f}")
            print(f"  CHECK downloads with the check on no more than 10% slower: {'ok' if ratio <= 1.10 else 'FAILED'}")
        finally:
            nginx.terminate()
            nginx.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
