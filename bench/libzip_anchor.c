// libzip alone, the floor of the zip benchmarks: a bare program on libzip that lists an archive
// and extracts it, with nothing of ours around it (no checks beyond refusing names that leave
// the folder, no messages, no overwrite rules).
//   libzip_anchor list ARCHIVE             one line per entry: name, size, packed size, mtime
//   libzip_anchor extract ARCHIVE FOLDER   every entry written below FOLDER, with its mtime
// zip_stat_index converts each entry's date with mktime, so with TZ unset glibc looks at
// /etc/localtime once per entry: run it both ways.
#define _POSIX_C_SOURCE 200809L

#include <zip.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kBufferSize = 256 * 1024 };

static int fail(const char *what, const char *detail) {
    fprintf(stderr, "libzip_anchor: %s: %s\n", what, detail);
    return 1;
}

static int list(zip_t *za) {
    static char out[1 << 16];
    setvbuf(stdout, out, _IOFBF, sizeof out);
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, (zip_uint64_t)i, 0, &st) != 0)
            return fail("stat", zip_strerror(za));
        printf("%s\t%llu\t%llu\t%lld\n", st.name, (unsigned long long)st.size,
               (unsigned long long)st.comp_size, (long long)st.mtime);
    }
    return fflush(stdout) == 0 ? 0 : fail("list", strerror(errno));
}

// Absolute names and ".." components would leave the folder.
static int safe_name(const char *name) {
    if (name[0] == '/' || name[0] == '\0') return 0;
    for (const char *p = name; *p;) {
        const char *end = strchr(p, '/');
        const size_t length = end ? (size_t)(end - p) : strlen(p);
        if (length == 2 && p[0] == '.' && p[1] == '.') return 0;
        p += length + (end != NULL);
    }
    return 1;
}

// Makes every folder of `path` up to its last '/'; the last folder made is remembered, since
// entries come folder by folder.
static int make_parents(char *path, char *last, size_t last_size) {
    char *slash = strrchr(path, '/');
    if (slash == NULL) return 0;
    *slash = '\0';
    int result = 0;
    if (strcmp(path, last) != 0) {
        for (char *p = strchr(path + 1, '/'); result == 0; p = strchr(p + 1, '/')) {
            if (p) *p = '\0';
            if (mkdir(path, 0777) != 0 && errno != EEXIST) result = -1;
            if (!p) break;
            *p = '/';
        }
        if (result == 0 && strlen(path) < last_size) strcpy(last, path);
    }
    *slash = '/';
    return result;
}

static int extract(zip_t *za, const char *folder) {
    static char buffer[kBufferSize];
    char path[8192], last[8192] = "";
    if (mkdir(folder, 0777) != 0 && errno != EEXIST) return fail(folder, strerror(errno));
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, (zip_uint64_t)i, 0, &st) != 0)
            return fail("stat", zip_strerror(za));
        if (!safe_name(st.name)) return fail(st.name, "name outside the folder");
        if (snprintf(path, sizeof path, "%s/%s", folder, st.name) >= (int)sizeof path)
            return fail(st.name, "name too long");
        if (make_parents(path, last, sizeof last) != 0) return fail(path, strerror(errno));
        const size_t length = strlen(path);
        if (path[length - 1] == '/') continue; // a folder entry: made above
        zip_file_t *zf = zip_fopen_index(za, (zip_uint64_t)i, 0);
        if (zf == NULL) return fail(st.name, zip_strerror(za));
        const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            zip_fclose(zf);
            return fail(path, strerror(errno));
        }
        zip_int64_t got;
        while ((got = zip_fread(zf, buffer, sizeof buffer)) > 0) {
            for (zip_int64_t done = 0; done < got;) {
                const ssize_t put = write(fd, buffer + done, (size_t)(got - done));
                if (put < 0) {
                    close(fd);
                    zip_fclose(zf);
                    return fail(path, strerror(errno));
                }
                done += put;
            }
        }
        const struct timespec times[2] = {{st.mtime, 0}, {st.mtime, 0}};
        futimens(fd, times);
        if (got < 0 || zip_fclose(zf) != 0) {
            close(fd);
            return fail(st.name, "read failed");
        }
        if (close(fd) != 0) return fail(path, strerror(errno));
    }
    return 0;
}

int main(int argc, char **argv) {
    const int listing = argc == 3 && strcmp(argv[1], "list") == 0;
    const int extracting = argc == 4 && strcmp(argv[1], "extract") == 0;
    if (!listing && !extracting) {
        fprintf(stderr, "usage: libzip_anchor list ARCHIVE\n"
                        "       libzip_anchor extract ARCHIVE FOLDER\n");
        return 2;
    }
    int error = 0;
    zip_t *za = zip_open(argv[2], ZIP_RDONLY, &error);
    if (za == NULL) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const int result = fail(argv[2], zip_error_strerror(&e));
        zip_error_fini(&e);
        return result;
    }
    const int result = listing ? list(za) : extract(za, argv[3]);
    zip_discard(za);
    return result;
}
