// The exact stages of the adaptive orientation predicates (Shewchuk's
// orient2dadapt and orient3dadapt).
//
// Each coordinate difference like a.x - c.x is computed in doubles as a
// "head" plus an exact "tail" (its rounding error), so the true determinant is
// a polynomial in heads and tails. The stages evaluate ever more of that
// polynomial:
//   stage 2: the determinant of the heads, exactly, as an expansion;
//   stage 3: plus the first-order tail terms in plain doubles;
//   stage 4: every remaining term exactly; the result is the exact value.
// After stages 2 and 3 the approximation is accepted when it exceeds an
// error bound that covers everything not yet evaluated. All expansions live
// in fixed-size local arrays sized for the longest possible result.
#include "geometry/Predicates.h"

#include "geometry/ExactArithmetic.h"

namespace meshaudit::predicates_detail {

namespace {

using namespace exact;

// u * v - w * x exactly, as an expansion of one, two or four components
// written to out (returns the length). u and w are coordinate tails, often
// zero, in which case the products they head are skipped.
int DifferenceOfProducts(double u, double v, double w, double x, double out[4])
{
    if (u == 0.0) {
        if (w == 0.0) {
            out[0] = 0.0;
            return 1;
        }
        TwoProduct(-w, x, out[1], out[0]);
        return 2;
    }
    if (w == 0.0) {
        TwoProduct(u, v, out[1], out[0]);
        return 2;
    }
    double uv1 = 0.0;
    double uv0 = 0.0;
    double wx1 = 0.0;
    double wx0 = 0.0;
    TwoProduct(u, v, uv1, uv0);
    TwoProduct(w, x, wx1, wx0);
    TwoTwoDiff(uv1, uv0, wx1, wx0, out[3], out[2], out[1], out[0]);
    return 4;
}

// u * v - w * x exactly as a four-component expansion (zeros kept).
void DifferenceOfProducts4(double u, double v, double w, double x, double out[4])
{
    double uv1 = 0.0;
    double uv0 = 0.0;
    double wx1 = 0.0;
    double wx0 = 0.0;
    TwoProduct(u, v, uv1, uv0);
    TwoProduct(w, x, wx1, wx0);
    TwoTwoDiff(uv1, uv0, wx1, wx0, out[3], out[2], out[1], out[0]);
}

// A running exact sum: two buffers used in turn, since an expansion sum
// cannot write over its own input. 192 components hold the longest sum the
// orient3d stage 4 can build (24 for the heads' determinant, 3 x 16 for the
// head-tail cofactors, 3 x 8 for the z tails times the heads' cofactors,
// 12 x 4 for the products of two tails with a z, 3 x 16 for the z tails
// times the head-tail cofactors).
class ExactSum {
public:
    static constexpr int kCapacity = 192;

    // Starts from a copy of a non-empty expansion.
    ExactSum(int length, const double* e) : length_(length)
    {
        for (int i = 0; i < length; ++i) {
            buffers_[0][i] = e[i];
        }
    }

    void Add(int length, const double* e)
    {
        length_ = FastExpansionSumZeroElim(length_, buffers_[current_], length, e,
                                           buffers_[1 - current_]);
        current_ = 1 - current_;
    }

    // The most significant component: the value's sign, and the value
    // itself up to the (smaller) components below it.
    double Top() const { return buffers_[current_][length_ - 1]; }

private:
    double buffers_[2][kCapacity];
    int current_ = 0;
    int length_ = 0;
};

// Adds (xTail * yTail) * z exactly, and (xTail * yTail) * zTail when that
// tail is not zero: one of the second-order terms of orient3d.
void AddTailTailTerm(ExactSum& sum, double xTail, double yTail, double z, double zTail)
{
    double product1 = 0.0;
    double product0 = 0.0;
    TwoProduct(xTail, yTail, product1, product0);
    double u[4];
    TwoOneProduct(product1, product0, z, u[3], u[2], u[1], u[0]);
    sum.Add(4, u);
    if (zTail != 0.0) {
        TwoOneProduct(product1, product0, zTail, u[3], u[2], u[1], u[0]);
        sum.Add(4, u);
    }
}

}  // namespace

double Orient2DAdapt(const double* a, const double* b, const double* c, double detSum)
{
    const PredicateConstants& k = g_predicateConstants;
    const double acx = a[0] - c[0];
    const double bcx = b[0] - c[0];
    const double acy = a[1] - c[1];
    const double bcy = b[1] - c[1];

    // Stage 2: acx * bcy - acy * bcx of the heads, exactly.
    double heads[4];
    DifferenceOfProducts4(acx, bcy, acy, bcx, heads);
    double det = Estimate(4, heads);
    double errBound = k.ccwErrBoundB * detSum;
    if (det >= errBound || -det >= errBound) {
        return det;
    }

    const double acxTail = TwoDiffTail(a[0], c[0], acx);
    const double bcxTail = TwoDiffTail(b[0], c[0], bcx);
    const double acyTail = TwoDiffTail(a[1], c[1], acy);
    const double bcyTail = TwoDiffTail(b[1], c[1], bcy);
    if (acxTail == 0.0 && acyTail == 0.0 && bcxTail == 0.0 && bcyTail == 0.0) {
        return det;  // The differences were exact, so stage 2 was exact.
    }

    // Stage 3: the first-order tail terms in doubles.
    errBound = k.ccwErrBoundC * detSum + k.resultErrBound * std::fabs(det);
    det += (acx * bcyTail + bcy * acxTail) - (acy * bcxTail + bcx * acyTail);
    if (det >= errBound || -det >= errBound) {
        return det;
    }

    // Stage 4: heads + (tail x head) + (head x tail) + (tail x tail), exact.
    double u[4];
    double c1[8];
    double c2[12];
    double d[16];
    DifferenceOfProducts4(acxTail, bcy, acyTail, bcx, u);
    const int c1Length = FastExpansionSumZeroElim(4, heads, 4, u, c1);
    DifferenceOfProducts4(acx, bcyTail, acy, bcxTail, u);
    const int c2Length = FastExpansionSumZeroElim(c1Length, c1, 4, u, c2);
    DifferenceOfProducts4(acxTail, bcyTail, acyTail, bcxTail, u);
    const int dLength = FastExpansionSumZeroElim(c2Length, c2, 4, u, d);
    return d[dLength - 1];
}

double Orient3DAdapt(const double* a, const double* b, const double* c, const double* d,
                     double permanent)
{
    // Four points on one plane across an axis (the faces of boxes, of
    // machined parts, of grids): each difference along that axis is exactly
    // 0, so is every term of the determinant, and the exact stages below,
    // which such points would all reach, would only find the 0 again.
    for (int axis = 0; axis < 3; ++axis) {
        if (a[axis] == d[axis] && b[axis] == d[axis] && c[axis] == d[axis]) {
            return 0.0;
        }
    }
    const PredicateConstants& k = g_predicateConstants;
    const double adx = a[0] - d[0];
    const double bdx = b[0] - d[0];
    const double cdx = c[0] - d[0];
    const double ady = a[1] - d[1];
    const double bdy = b[1] - d[1];
    const double cdy = c[1] - d[1];
    const double adz = a[2] - d[2];
    const double bdz = b[2] - d[2];
    const double cdz = c[2] - d[2];

    // Stage 2: expansion of the heads' determinant, by cofactors along z:
    // adz * bc + bdz * ca + cdz * ab.
    double bc[4];
    double ca[4];
    double ab[4];
    DifferenceOfProducts4(bdx, cdy, cdx, bdy, bc);
    DifferenceOfProducts4(cdx, ady, adx, cdy, ca);
    DifferenceOfProducts4(adx, bdy, bdx, ady, ab);
    double aDet[8];
    double bDet[8];
    double cDet[8];
    const int aLength = ScaleExpansionZeroElim(4, bc, adz, aDet);
    const int bLength = ScaleExpansionZeroElim(4, ca, bdz, bDet);
    const int cLength = ScaleExpansionZeroElim(4, ab, cdz, cDet);
    double abDet[16];
    const int abLength = FastExpansionSumZeroElim(aLength, aDet, bLength, bDet, abDet);
    double heads[24];
    const int headsLength = FastExpansionSumZeroElim(abLength, abDet, cLength, cDet, heads);

    double det = Estimate(headsLength, heads);
    double errBound = k.o3dErrBoundB * permanent;
    if (det >= errBound || -det >= errBound) {
        return det;
    }

    const double adxTail = TwoDiffTail(a[0], d[0], adx);
    const double bdxTail = TwoDiffTail(b[0], d[0], bdx);
    const double cdxTail = TwoDiffTail(c[0], d[0], cdx);
    const double adyTail = TwoDiffTail(a[1], d[1], ady);
    const double bdyTail = TwoDiffTail(b[1], d[1], bdy);
    const double cdyTail = TwoDiffTail(c[1], d[1], cdy);
    const double adzTail = TwoDiffTail(a[2], d[2], adz);
    const double bdzTail = TwoDiffTail(b[2], d[2], bdz);
    const double cdzTail = TwoDiffTail(c[2], d[2], cdz);
    if (adxTail == 0.0 && bdxTail == 0.0 && cdxTail == 0.0 && adyTail == 0.0 &&
        bdyTail == 0.0 && cdyTail == 0.0 && adzTail == 0.0 && bdzTail == 0.0 &&
        cdzTail == 0.0) {
        return det;  // The differences were exact, so stage 2 was exact.
    }

    // Stage 3: the first-order tail terms in doubles.
    errBound = k.o3dErrBoundC * permanent + k.resultErrBound * std::fabs(det);
    det += (adz * ((bdx * cdyTail + cdy * bdxTail) - (bdy * cdxTail + cdx * bdyTail)) +
            adzTail * (bdx * cdy - bdy * cdx)) +
           (bdz * ((cdx * adyTail + ady * cdxTail) - (cdy * adxTail + adx * cdyTail)) +
            bdzTail * (cdx * ady - cdy * adx)) +
           (cdz * ((adx * bdyTail + bdy * adxTail) - (ady * bdxTail + bdx * adyTail)) +
            cdzTail * (adx * bdy - ady * bdx));
    if (det >= errBound || -det >= errBound) {
        return det;
    }

    // Stage 4. With every difference written head + tail, the cofactor of
    // adz becomes bc + bct + (bdxTail cdyTail - cdxTail bdyTail), where bct
    // = (bdxTail cdy - bdyTail cdx) + (cdyTail bdx - cdxTail bdy) collects
    // the terms with one tail; likewise for bdz and cdz. Multiplying out with
    // adz + adzTail and so on gives the terms added below.
    double atB[4];
    double atC[4];
    double btC[4];
    double btA[4];
    double ctA[4];
    double ctB[4];
    const int atBLength = DifferenceOfProducts(adxTail, bdy, adyTail, bdx, atB);
    const int atCLength = DifferenceOfProducts(adyTail, cdx, adxTail, cdy, atC);
    const int btCLength = DifferenceOfProducts(bdxTail, cdy, bdyTail, cdx, btC);
    const int btALength = DifferenceOfProducts(bdyTail, adx, bdxTail, ady, btA);
    const int ctALength = DifferenceOfProducts(cdxTail, ady, cdyTail, adx, ctA);
    const int ctBLength = DifferenceOfProducts(cdyTail, bdx, cdxTail, bdy, ctB);

    double bct[8];
    double cat[8];
    double abt[8];
    const int bctLength = FastExpansionSumZeroElim(btCLength, btC, ctBLength, ctB, bct);
    const int catLength = FastExpansionSumZeroElim(ctALength, ctA, atCLength, atC, cat);
    const int abtLength = FastExpansionSumZeroElim(atBLength, atB, btALength, btA, abt);

    ExactSum sum(headsLength, heads);
    double w[16];
    int wLength = ScaleExpansionZeroElim(bctLength, bct, adz, w);
    sum.Add(wLength, w);
    wLength = ScaleExpansionZeroElim(catLength, cat, bdz, w);
    sum.Add(wLength, w);
    wLength = ScaleExpansionZeroElim(abtLength, abt, cdz, w);
    sum.Add(wLength, w);

    // z tails times the heads' cofactors.
    double v[8];
    if (adzTail != 0.0) {
        sum.Add(ScaleExpansionZeroElim(4, bc, adzTail, v), v);
    }
    if (bdzTail != 0.0) {
        sum.Add(ScaleExpansionZeroElim(4, ca, bdzTail, v), v);
    }
    if (cdzTail != 0.0) {
        sum.Add(ScaleExpansionZeroElim(4, ab, cdzTail, v), v);
    }

    // Products of an x tail and a y tail, times the matching z (and z tail).
    if (adxTail != 0.0) {
        if (bdyTail != 0.0) {
            AddTailTailTerm(sum, adxTail, bdyTail, cdz, cdzTail);
        }
        if (cdyTail != 0.0) {
            AddTailTailTerm(sum, -adxTail, cdyTail, bdz, bdzTail);
        }
    }
    if (bdxTail != 0.0) {
        if (cdyTail != 0.0) {
            AddTailTailTerm(sum, bdxTail, cdyTail, adz, adzTail);
        }
        if (adyTail != 0.0) {
            AddTailTailTerm(sum, -bdxTail, adyTail, cdz, cdzTail);
        }
    }
    if (cdxTail != 0.0) {
        if (adyTail != 0.0) {
            AddTailTailTerm(sum, cdxTail, adyTail, bdz, bdzTail);
        }
        if (bdyTail != 0.0) {
            AddTailTailTerm(sum, -cdxTail, bdyTail, adz, adzTail);
        }
    }

    // z tails times the one-tail cofactors.
    if (adzTail != 0.0) {
        sum.Add(ScaleExpansionZeroElim(bctLength, bct, adzTail, w), w);
    }
    if (bdzTail != 0.0) {
        sum.Add(ScaleExpansionZeroElim(catLength, cat, bdzTail, w), w);
    }
    if (cdzTail != 0.0) {
        sum.Add(ScaleExpansionZeroElim(abtLength, abt, cdzTail, w), w);
    }
    return sum.Top();
}

}  // namespace meshaudit::predicates_detail
