#!/usr/bin/python3
# A read-only passthrough file system that waits a fixed time in every
# request it answers, standing in for a network share (bench/run.sh,
# --mode latency).  Debian's python3-fuse; runs in the foreground until it
# is unmounted (fusermount -u MOUNT) or killed.
#
#   latencyfs.py SOURCE MOUNT [-o OPTIONS]      PATHWREN_LATENCY_MS: the wait (default 1)
#
# Requests are answered on several threads at once (the wait releases the
# interpreter lock), so a client with many requests in flight sees them
# overlap as it would on a real share.
import errno
import os
import stat
import sys
import time

import fuse

fuse.fuse_python_api = (0, 2)

DELAY = float(os.environ.get("PATHWREN_LATENCY_MS", "1")) / 1000.0


def wait():
    if DELAY > 0:
        time.sleep(DELAY)


def entry_type(entry):
    if entry.is_symlink():
        return stat.S_IFLNK
    if entry.is_dir(follow_symlinks=False):
        return stat.S_IFDIR
    if entry.is_file(follow_symlinks=False):
        return stat.S_IFREG
    return stat.S_IFMT(entry.stat(follow_symlinks=False).st_mode)


class LatencyFS(fuse.Fuse):
    def __init__(self, source, *args, **kw):
        super().__init__(*args, **kw)
        self.source = source

    def real(self, path):
        return self.source + path

    def getattr(self, path):
        wait()
        try:
            return os.lstat(self.real(path))
        except OSError as e:
            return -e.errno

    def readlink(self, path):
        wait()
        try:
            return os.readlink(self.real(path))
        except OSError as e:
            return -e.errno

    def opendir(self, path):
        wait()
        if not os.path.isdir(self.real(path)):
            return -errno.ENOTDIR
        if not os.access(self.real(path), os.R_OK | os.X_OK):
            return -errno.EACCES
        return None

    def releasedir(self, path):
        wait()
        return 0

    def readdir(self, path, offset):
        # One request: the library hands the kernel the entries in as many
        # pieces as it asks for.
        wait()
        try:
            entries = list(os.scandir(self.real(path)))
        except OSError as e:
            yield -e.errno
            return
        yield fuse.Direntry(".", type=stat.S_IFDIR)
        yield fuse.Direntry("..", type=stat.S_IFDIR)
        for entry in entries:
            # The type goes with the name, as on a real file system, so a
            # walker need not ask for each entry's status.
            yield fuse.Direntry(entry.name, type=entry_type(entry))

    def statfs(self):
        wait()
        return os.statvfs(self.source)

    def access(self, path, mode):
        wait()
        if mode & os.W_OK:
            return -errno.EROFS
        if not os.access(self.real(path), mode):
            return -errno.EACCES
        return 0

    def open(self, path, flags):
        wait()
        if flags & (os.O_WRONLY | os.O_RDWR):
            return -errno.EROFS
        if not os.access(self.real(path), os.R_OK):
            return -errno.EACCES
        return None

    def read(self, path, size, offset):
        wait()
        try:
            with open(self.real(path), "rb") as f:
                f.seek(offset)
                return f.read(size)
        except OSError as e:
            return -e.errno

    def release(self, path, flags):
        wait()
        return 0


def main():
    if len(sys.argv) < 3:
        print("usage: latencyfs.py SOURCE MOUNT [-o OPTIONS]", file=sys.stderr)
        return 2
    source = os.path.abspath(sys.argv[1])
    server = LatencyFS(source, version="%prog " + fuse.__version__, dash_s_do="setsingle")
    server.multithreaded = True
    server.parse([sys.argv[0]] + sys.argv[2:] + ["-f"], errex=1)
    server.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
