%REFINEBAND The band solve of refineMatte's 'laplacian' method, as a compiled module.
%   alpha = refineBand(image, unknownMask, knownAlpha, target, confidence, ...
%                      lambda, radius, epsilon, tolerance)
%
%   Minimises alpha' * L * alpha + sum of lambda * confidence .* (alpha - target).^2
%   over the unknown pixels, L the closed-form matting Laplacian (windows of
%   (2*radius+1)^2 pixels wholly inside the image, regulariser epsilon), the known
%   pixels fixed at knownAlpha. The solve is conjugate gradients with a Jacobi
%   (diagonal) preconditioner, stopped at relative residual tolerance, started from a
%   guided filter (radius 12) of target weighted by confidence + 1e-3.
%
%   Inputs (nU unknown pixels):
%     image        real double, rows x cols x 3, finite.
%     unknownMask  rows x cols, logical, uint8 or int8: non-zero = unknown.
%     knownAlpha   real double, rows x cols, finite: read at the known pixels only.
%     target       real double, nU elements, finite: one per unknown pixel in
%                  column-major order (fringeScan's list order).
%     confidence   real double, nU elements in [0, 1].
%     lambda       real double scalar, finite, > 0.
%     radius       real double scalar, an integer in 1..100.
%     epsilon      real double scalar, finite, > 0.
%     tolerance    real double scalar, 0 < tolerance < 1.
%
%   alpha          nU x 1 double in [0, 1], in the order of target.
%
%   Errors have the identifiers pairseek:refineBand:<what>; the inputs are never
%   changed. Most callers want refineMatte, which checks its options, snaps the
%   targets and uses this module when it is built.
%
%   See also refineMatte, pairMatte.
