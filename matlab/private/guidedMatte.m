function alpha = guidedMatte(image, target, weight, radius, epsilon)
%GUIDEDMATTE Confidence-weighted guided filter of a matte, with the colour image as guide.
%   alpha = guidedMatte(image, target, weight, radius, epsilon): in every window of
%   (2*radius+1)^2 pixels fits target ~ a' * colour + b by least squares weighted by
%   weight (rows x cols, > 0), with epsilon * |a|^2 as ridge; each pixel then takes the
%   mean of the fits of the windows that hold it. Not clamped.

box = @(x) boxSum(x, radius);
W = box(weight);
R = image(:, :, 1);
G = image(:, :, 2);
B = image(:, :, 3);
wR = weight .* R;
wG = weight .* G;
wB = weight .* B;
mr = box(wR) ./ W;
mg = box(wG) ./ W;
mb = box(wB) ./ W;
wp = weight .* target;
mp = box(wp) ./ W;
pr = box(wp .* R) ./ W - mr .* mp;
pg = box(wp .* G) ./ W - mg .* mp;
pb = box(wp .* B) ./ W - mb .* mp;
srr = box(wR .* R) ./ W - mr .* mr + epsilon;
srg = box(wR .* G) ./ W - mr .* mg;
srb = box(wR .* B) ./ W - mr .* mb;
sgg = box(wG .* G) ./ W - mg .* mg + epsilon;
sgb = box(wG .* B) ./ W - mg .* mb;
sbb = box(wB .* B) ./ W - mb .* mb + epsilon;
c11 = sgg .* sbb - sgb .* sgb;
c12 = srb .* sgb - srg .* sbb;
c13 = srg .* sgb - srb .* sgg;
c22 = srr .* sbb - srb .* srb;
c23 = srb .* srg - srr .* sgb;
c33 = srr .* sgg - srg .* srg;
det = srr .* c11 + srg .* c12 + srb .* c13;
ar = (c11 .* pr + c12 .* pg + c13 .* pb) ./ det;
ag = (c12 .* pr + c22 .* pg + c23 .* pb) ./ det;
ab = (c13 .* pr + c23 .* pg + c33 .* pb) ./ det;
b = mp - ar .* mr - ag .* mg - ab .* mb;
alpha = (box(ar) .* R + box(ag) .* G + box(ab) .* B + box(b)) ./ box(ones(size(target)));
end
