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

#define CHECK(cond) \
    do { \
        if (!(cond)) { \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures; \
        } \
    } while (0)

/* dlsym gives an object pointer; copying its bytes is the POSIX way to turn
   it into a function pointer without a cast that ISO C forbids. */
#define LOAD(var, name) \
    do { \
        void *symbol_ = dlsym(library, name); \
        if (symbol_ == NULL) { \
            fprintf(stderr, "missing export %s\n", name); \
            return 1; \
        } \
        memcpy(&(var), &symbol_, sizeof(var)); \
    } while (0)

static int32_t (*set_pnt)(const PointSettings *);
static int32_t (*get_pnt)(PointResults *);
static int32_t (*get_edg)(EdgeResults *);
static int32_t (*get_tri)(TriangleResults *);
static int32_t (*get_msh)(MeshResults *);
static int32_t (*analyse_fn)(const MeshRecord *);
static int32_t (*filter_fn)(const MeshRecord *, MeshRecord *);
static int32_t (*clear_fn)(MeshRecord *);

/* Runs analyse with standard error captured into `captured`. */
static int32_t analyse_captured(const MeshRecord *mesh, char *captured, size_t size)
{
    FILE *file = tmpfile();
    int saved = dup(2);
    int32_t code;
    fflush(stderr);
    dup2(fileno(file), 2);
    code = analyse_fn(mesh);
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    rewind(file);
    captured[fread(captured, 1, size - 1, file)] = '\0';
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
    CHECK(get_pnt(&p) == 0 && get_edg(&e) == 0 && get_tri(&t) == 0 && get_msh(&m) == 0);
    CHECK(p.Count == NOT_COMPUTED && p.MaximalDegree == NOT_COMPUTED);
    CHECK(e.MinimalLength == -1.0 && e.MaximalLength == -1.0 && e.CountSingular == NOT_COMPUTED &&
          e.CountGreaterLength == NOT_COMPUTED);
    CHECK(t.CountIntersected == NOT_COMPUTED && t.UnusedSlots[3].value == -1.0 && t.UnusedSlots[8].bytes[7] == 0xFF &&
          t.InRangeUnused[29] == 0xFF && t.Unused[0] == NOT_COMPUTED && t.UnusedDouble == -1.0);
    CHECK(m.Volume == -DBL_MAX && m.Area == -1.0 && m.Oriented == -1 && m.Selfintersection == -1 &&
          m.CountBorders == NOT_COMPUTED);
    for (k = 0; k < 22; ++k) {
        CHECK((k >= PNT_QUANTITIES || p.InRange[k] == 0xFF) && (k >= EDG_QUANTITIES || e.InRange[k] == 0xFF) &&
              (k >= TRI_QUANTITIES || t.InRange[k] == 0xFF) && (k >= MSH_QUANTITIES || m.InRange[k] == 0xFF));
    }
}

int main(int argc, char **argv)
{
    static char captured[1 << 16];
    T3DVECF points[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    TRIANGLE triangles[4] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    MeshRecord tetra = {points, 4, triangles, 4}, out = {NULL, 0, NULL, 0};
    /* Pointer checks before count checks. */
    MeshRecord bad[6] = {{NULL, 0, triangles, 0}, {NULL, 4, triangles, 4}, {points, 0, NULL, 4},
                         {points, 0, triangles, 0}, {points, 4, triangles, 0}};
    const int32_t codes[6] = {-1, -1, -2, -3, -4};
    PointSettings ps;
    PointResults before, after;
    int i;
    void *library = argc < 2 ? NULL : dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "usage: host_test path/to/libmeshaudit.so (%s)\n", argc < 2 ? "" : dlerror());
        return 1;
    }
    LOAD(set_pnt, "set_pnt_params");
    LOAD(get_pnt, "get_pnt_params");
    LOAD(get_edg, "get_edg_params");
    LOAD(get_tri, "get_tri_params");
    LOAD(get_msh, "get_msh_params");
    LOAD(analyse_fn, "analyse");
    LOAD(filter_fn, "removeInvalidTopologicalTriangles");
    LOAD(clear_fn, "clear_mesh");

    /* Before any analysis every result is not computed; null blocks are
       ignored; a rejected record changes nothing. */
    check_not_computed();
    CHECK(set_pnt(NULL) == 0 && get_pnt(NULL) == 0 && get_msh(NULL) == 0 && analyse_fn(NULL) == -1);
    for (i = 0; i < 5; ++i) {
        CHECK(analyse_fn(&bad[i]) == codes[i]);
    }
    check_not_computed();

    /* The progress line goes to the host's standard error. 54 of the 55
       default steps come before the inclusion test (two triangle counts and
       two shared mesh counts are announced without being counted). */
    CHECK(analyse_captured(&tetra, captured, sizeof captured) == 1);
    CHECK(strstr(captured, "]   0 % point::Count") != NULL && strstr(captured, "]  98 % mesh::Inclusion") != NULL);

    /* Out-of-range values still give 1, the verdict is in InRange; a rejected
       analysis keeps the previous results. */
    meshaudit_default_point_settings(&ps);
    ps.Count.min = 10;
    ps.Count.max = 20;
    CHECK(set_pnt(&ps) == 0 && analyse_captured(&tetra, captured, sizeof captured) == 1 && get_pnt(&before) == 0);
    CHECK(before.Count == 4 && before.InRange[PNT_Count] == 0);
    meshaudit_default_point_settings(&ps);
    set_pnt(&ps);
    CHECK(analyse_fn(&bad[4]) == -4 && get_pnt(&after) == 0 && memcmp(&before, &after, sizeof before) == 0);

    /* clear_mesh twice is harmless. */
    CHECK(filter_fn(&tetra, &out) == 0 && out.pointCount == 4 && out.triangleCount == 4);
    CHECK(clear_fn(&out) == 0 && out.points == NULL && out.triangles == NULL && out.pointCount == 0 &&
          out.triangleCount == 0);
    CHECK(clear_fn(&out) == 0 && clear_fn(NULL) == 0);
    dlclose(library);
    if (failures != 0) {
        fprintf(stderr, "%d checks failed\n", failures);
        return 1;
    }
    return 0;
}
