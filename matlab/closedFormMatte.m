function alpha = closedFormMatte(image, trimap)
%CLOSEDFORMMATTE Closed-form matting's matte, the affinity method we compare against.
%   alpha = closedFormMatte(image, trimap) minimises alpha' * L * alpha over the
%   trimap's unknown pixels with the known ones fixed, L the matting Laplacian of
%   3 x 3 windows with epsilon 1e-7: closed-form matting with the settings of the
%   most used Python matting library, solved by the refineBand module with no data
%   term (conjugate gradients to a relative residual of 1e-7, at most 1000
%   iterations). On the synthetic cases and on photographs of up to about 60000
%   unknown pixels it reproduces that library's SAD to the third decimal; wider
%   bands may stop at the iteration cap a little short of its matte.
%
%   image   rows x cols x 3 (or gray): uint8, uint16, or double/single in [0, 1].
%   trimap  rows x cols (first channel used): 0 background, the class's full
%           scale (1 for double, single and logical) foreground, anything else
%           unknown.
%   Errors have the identifiers pairseek:closedFormMatte:<what>: module,
%   imageRange, imageSize, trimapRange, sizeMismatch.
%   alpha   rows x cols double in [0, 1].
%
%   See also matteQuality, refineBand.

if exist('refineBand') ~= 3 %#ok<EXIST>
    error('pairseek:closedFormMatte:module', ...
          'closedFormMatte needs the refineBand module on the path (build/octave)');
end
image = unitImage(image);
trimap = trimap(:, :, 1);
full = 1;
if isinteger(trimap)
    full = double(intmax(class(trimap)));
elseif ~(isfloat(trimap) || islogical(trimap)) || any(~isfinite(trimap(:))) || any(trimap(:) < 0 | trimap(:) > 1)
    error('pairseek:closedFormMatte:trimapRange', ...
          'trimap: expected an integer class, or values in [0, 1] (0 background, 1 foreground)');
end
trimap = double(trimap);
if size(trimap, 1) ~= size(image, 1) || size(trimap, 2) ~= size(image, 2)
    error('pairseek:closedFormMatte:sizeMismatch', 'trimap is %d x %d, image %d x %d', ...
          size(trimap, 1), size(trimap, 2), size(image, 1), size(image, 2));
end
unknown = trimap ~= 0 & trimap ~= full;
known = double(trimap == full);
alpha = known;
n = nnz(unknown);
if n > 0
    % lambda must be positive; with zero confidence the data term vanishes.
    alpha(unknown) = refineBand(image, unknown, known, zeros(n, 1), zeros(n, 1), 1e-9, 1, 1e-7, 1e-7);
end
end

function image = unitImage(image)
% The image as doubles in [0, 1], three channels.
if isinteger(image)
    image = double(image) / double(intmax(class(image)));
elseif ~isfloat(image) || any(~isfinite(image(:))) || any(image(:) < 0 | image(:) > 1)
    error('pairseek:closedFormMatte:imageRange', ...
          'image: expected an integer class, or single/double values in [0, 1] (not 0..255)');
end
image = double(image);
if size(image, 3) == 1
    image = repmat(image, [1 1 3]);
elseif size(image, 3) ~= 3
    error('pairseek:closedFormMatte:imageSize', 'image: expected rows x cols x 3 or gray, got %d channels', ...
          size(image, 3));
end
end
