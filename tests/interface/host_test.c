/* A host written in C99 that loads the built library with dlopen, as a host
   application would, and uses nothing but the public header. */
#define _POSIX_C_SOURCE 200809L
#include <meshaudit.h>

#include <dlfcn.h>
#include <float.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int failures = 0;

#define CHECK(cond)                                                        \
    do {                                                                   \
        if (!(cond)) {                                                     \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                    \
        }                                                                  \
    } while (0)

typedef int32_t (*SetPnt)(const PointSettings *);
typedef int32_t (*GetPnt)(PointResults *);
typedef int32_t (*GetEdg)(EdgeResults *);
typedef int32_t (*GetTri)(TriangleResults *);
typedef int32_t (*GetMsh)(MeshResults *);
typedef int32_t (*Analyse)(const MeshRecord *);
typedef int32_t (*Filter)(const MeshRecord *, MeshRecord *);
typedef int32_t (*Clear)(MeshRecord *);

static SetPnt set_pnt;
static GetPnt get_pnt;
static GetEdg get_edg;
static GetTri get_tri;
static GetMsh get_msh;
static Analyse analyse_fn;
static Filter filter_fn;
static Clear clear_fn;

/* dlsym gives an object pointer; copying its bytes is the POSIX way to turn
   it into a function pointer without a cast ISO C forbids. */
#define LOAD(var, library, name)                                  \
    do {                                                          \
        void *symbol_ = dlsym((library), (name));                 \
        if (symbol_ == NULL) {                                    \
            fprintf(stderr, "missing export %s\n", (name));       \
            return 1;                                             \
        }                                                         \
        memcpy(&(var), &symbol_, sizeof(var));                    \
    } while (0)

/* Runs analyse with standard error captured into `captured`. */
static int32_t analyse_captured(const MeshRecord *mesh, char *captured, size_t size)
{
    FILE *file = tmpfile();
    int saved = dup(2);
    int32_t code;
    size_t n;
    fflush(stderr);
    dup2(fileno(file), 2);
    code = analyse_fn(mesh);
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    rewind(file);
    n = fread(captured, 1, size - 1, file);
    captured[n] = '\0';
    fclose(file);
    return code;
}

static void check_not_computed(void)
{
    PointResults p;
    EdgeResults e;
    TriangleResults t;
    MeshResults m;
    int k;
    CHECK(get_pnt(&p) == 0);
    CHECK(get_edg(&e) == 0);
    CHECK(get_tri(&t) == 0);
    CHECK(get_msh(&m) == 0);
    CHECK(p.Count == NOT_COMPUTED && p.MaximalDegree == NOT_COMPUTED);
    for (k = 0; k < PNT_QUANTITIES; ++k) CHECK(p.InRange[k] == 0xFF);
    CHECK(e.MinimalLength == -1.0 && e.MaximalLength == -1.0 && e.CountSingular == NOT_COMPUTED);
    for (k = 0; k < EDG_QUANTITIES; ++k) CHECK(e.InRange[k] == 0xFF);
    CHECK(t.CountIntersected == NOT_COMPUTED && t.UnusedSlots[3].value == -1.0);
    CHECK(t.UnusedSlots[8].bytes[7] == 0xFF && t.InRangeUnused[29] == 0xFF);
    for (k = 0; k < TRI_QUANTITIES; ++k) CHECK(t.InRange[k] == 0xFF);
    CHECK(m.Volume == -DBL_MAX && m.Area == -1.0 && m.Oriented == -1 && m.Selfintersection == -1);
    for (k = 0; k < MSH_QUANTITIES; ++k) CHECK(m.InRange[k] == 0xFF);
}

int main(int argc, char **argv)
{
    static char captured[1 << 16];
    T3DVECF points[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    TRIANGLE triangles[4] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    MeshRecord tetra = {points, 4, triangles, 4};
    MeshRecord bad;
    MeshRecord out = {NULL, 0, NULL, 0};
    PointSettings ps;
    PointResults before, after;
    char bar[64];
    void *library;

    if (argc < 2) {
        fprintf(stderr, "usage: host_test path/to/libmeshaudit.so\n");
        return 1;
    }
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 1;
    }
    LOAD(set_pnt, library, "set_pnt_params");
    LOAD(get_pnt, library, "get_pnt_params");
    LOAD(get_edg, library, "get_edg_params");
    LOAD(get_tri, library, "get_tri_params");
    LOAD(get_msh, library, "get_msh_params");
    LOAD(analyse_fn, library, "analyse");
    LOAD(filter_fn, library, "removeInvalidTopologicalTriangles");
    LOAD(clear_fn, library, "clear_mesh");

    /* Before any analysis every result is not computed. */
    check_not_computed();

    /* Rejected records: pointer checks before count checks; nothing changes. */
    bad = tetra; bad.points = NULL; bad.pointCount = 0; bad.triangleCount = 0;
    CHECK(analyse_fn(&bad) == -1);
    bad = tetra; bad.triangles = NULL; bad.pointCount = 0;
    CHECK(analyse_fn(&bad) == -2);
    bad = tetra; bad.pointCount = 0; bad.triangleCount = 0;
    CHECK(analyse_fn(&bad) == -3);
    bad = tetra; bad.triangleCount = 0;
    CHECK(analyse_fn(&bad) == -4);
    check_not_computed();

    /* The default step total is 55: the first announcement draws a bar of 55
       cells with the marker in the first. */
    CHECK(analyse_captured(&tetra, captured, sizeof captured) == 1);
    memset(bar, ' ', 57);
    bar[0] = '[';
    bar[1] = '>';
    bar[56] = ']';
    bar[57] = '\0';
    CHECK(strstr(captured, bar) != NULL);
    CHECK(strstr(captured, "]   0 % point::Count") != NULL);
    /* 54 announcements come before the inclusion test (two triangle counts
       and two shared mesh counts are announced without being counted). */
    CHECK(strstr(captured, "]  98 % mesh::Inclusion") != NULL);

    /* Out-of-range values still give 1; the verdict is in InRange. */
    meshaudit_default_point_settings(&ps);
    ps.Count.min = 10;
    ps.Count.max = 20;
    CHECK(set_pnt(&ps) == 0);
    CHECK(analyse_captured(&tetra, captured, sizeof captured) == 1);
    CHECK(get_pnt(&before) == 0);
    CHECK(before.Count == 4 && before.InRange[PNT_Count] == 0);

    /* A rejected analysis keeps the previous results. */
    bad = tetra; bad.triangleCount = 0;
    meshaudit_default_point_settings(&ps);
    set_pnt(&ps);
    CHECK(analyse_fn(&bad) == -4);
    CHECK(get_pnt(&after) == 0);
    CHECK(memcmp(&before, &after, sizeof before) == 0);

    /* clear_mesh twice is harmless. */
    if (filter_fn(&tetra, &out) == 0) {
        CHECK(out.pointCount == 4 && out.triangleCount == 4);
    }
    CHECK(clear_fn(&out) == 0);
    CHECK(out.points == NULL && out.triangles == NULL && out.pointCount == 0);
    CHECK(clear_fn(&out) == 0);

    dlclose(library);
    if (failures != 0) {
        fprintf(stderr, "%d checks failed\n", failures);
        return 1;
    }
    printf("host test: all checks passed\n");
    return 0;
}
