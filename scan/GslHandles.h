#pragma once

// Owners of GSL's objects for the fits: each is freed with its own
// function when the owner goes.

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <memory>

namespace vantrel::scan {

struct GslVectorFree {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct GslMatrixFree {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct GslNlinearFree {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};
struct GslLinearFree {
    void operator()(gsl_multifit_linear_workspace* w) const { gsl_multifit_linear_free(w); }
};

using GslVector = std::unique_ptr<gsl_vector, GslVectorFree>;
using GslMatrix = std::unique_ptr<gsl_matrix, GslMatrixFree>;
using GslNlinear = std::unique_ptr<gsl_multifit_nlinear_workspace, GslNlinearFree>;
using GslLinear = std::unique_ptr<gsl_multifit_linear_workspace, GslLinearFree>;

} // namespace vantrel::scan
