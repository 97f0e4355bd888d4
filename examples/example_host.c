/* A minimal host: builds a unit cube (12 triangles), analyses it with the
   default settings and prints a few values and verdicts. */
#include <meshaudit.h>
#include <stdio.h>

int main(void)
{
    T3DVECF points[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    TRIANGLE triangles[12] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7},
                              {0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5},
                              {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    MeshRecord mesh = {points, 8, triangles, 12};
    PointResults pr;
    EdgeResults er;
    TriangleResults tr;
    MeshResults mr;

    if (analyse(&mesh) != 1) {
        fprintf(stderr, "analyse refused the mesh\n");
        return 2;
    }
    get_pnt_params(&pr);
    get_edg_params(&er);
    get_tri_params(&tr);
    get_msh_params(&mr);
    printf("points     %u (in range: %d)\n", pr.Count, pr.InRange[PNT_Count]);
    printf("edges      %u (in range: %d)\n", er.Count, er.InRange[EDG_Count]);
    printf("triangles  %u (in range: %d)\n", tr.Count, tr.InRange[TRI_Count]);
    printf("closed     %d (in range: %d)\n", mr.Closed, mr.InRange[MSH_Closed]);
    printf("volume     %.17g (in range: %d)\n", mr.Volume, mr.InRange[MSH_Volume]);
    return 0;
}
