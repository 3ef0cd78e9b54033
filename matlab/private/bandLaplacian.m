function [L, knownPart] = bandLaplacian(image, unknownMask, knownAlpha, radius, epsilon)
%BANDLAPLACIAN Matting Laplacian restricted to the unknown pixels.
%   [L, knownPart] = bandLaplacian(image, unknownMask, knownAlpha, radius, epsilon)
%   returns L, the nU x nU block of the closed-form matting Laplacian (windows of
%   (2*radius+1)^2 pixels wholly inside the image, regulariser epsilon) over the
%   unknown pixels in column-major order, and knownPart = L_uk * knownAlpha, the
%   coupling to the known pixels, so that alpha' * Lfull * alpha with the known
%   alphas fixed has the gradient 2 * (L * alphaU + knownPart).
%   Only windows that hold an unknown pixel are visited.

[rows, cols, ~] = size(image);
side = 2 * radius + 1;
n = side * side;
unknownCell = find(unknownMask(:));
nU = numel(unknownCell);
unknownIndex = zeros(rows, cols);
unknownIndex(unknownCell) = 1:nU;

% Window centres: windows inside the image that hold an unknown pixel.
inner = false(rows, cols);
inner(radius + 1:rows - radius, radius + 1:cols - radius) = true;
centre = find(inner & conv2(double(unknownMask), ones(side), 'same') > 0);

% Window statistics from the pixels of each window, gathered by offset.
[dr, dc] = ndgrid(-radius:radius, -radius:radius);
offset = dr(:)' + dc(:)' * rows;                 % 1 x n
pix = centre + offset;                           % m x n pixel of each window slot
planes = rows * cols;
R = image(pix);
G = image(pix + planes);
B = image(pix + 2 * planes);
mr = sum(R, 2) / n;
mg = sum(G, 2) / n;
mb = sum(B, 2) / n;
R = R - mr;
G = G - mg;
B = B - mb;
e = epsilon / n;
srr = sum(R .* R, 2) / n + e;
srg = sum(R .* G, 2) / n;
srb = sum(R .* B, 2) / n;
sgg = sum(G .* G, 2) / n + e;
sgb = sum(G .* B, 2) / n;
sbb = sum(B .* B, 2) / n + e;
% Inverse of each window's regularised covariance, by cofactors.
c11 = sgg .* sbb - sgb .* sgb;
c12 = srb .* sgb - srg .* sbb;
c13 = srg .* sgb - srb .* sgg;
c22 = srr .* sbb - srb .* srb;
c23 = srb .* srg - srr .* sgb;
c33 = srr .* sgg - srg .* srg;
det = srr .* c11 + srg .* c12 + srb .* c13;
vR = (c11 .* R + c12 .* G + c13 .* B) ./ det;
vG = (c12 .* R + c22 .* G + c23 .* B) ./ det;
vB = (c13 .* R + c23 .* G + c33 .* B) ./ det;

% Sum each window's pair weights into band(i, d): pixel i with its neighbour at offset d.
span = 4 * radius + 1;
rowU = unknownIndex(pix);
band = zeros(nU + 1, span * span);               % last row collects the known pixels' pairs
rowU(rowU == 0) = nU + 1;
for a = 1:n
    for b = a:n
        v = -(1 + vR(:, a) .* R(:, b) + vG(:, a) .* G(:, b) + vB(:, a) .* B(:, b)) / n;
        if a == b
            v = v + 1;
        end
        dAB = (dr(b) - dr(a) + 2 * radius + 1) + (dc(b) - dc(a) + 2 * radius) * span;
        dBA = span * span + 1 - dAB;
        at = rowU(:, a) + (dAB - 1) * (nU + 1);   % distinct but for the known row
        band(at) = band(at) + v;
        if b ~= a
            at = rowU(:, b) + (dBA - 1) * (nU + 1);
            band(at) = band(at) + v;
        end
    end
end
band = band(1:nU, :);

% Neighbour of each unknown pixel at each offset, through grids padded so that no
% offset leaves them. The offsets run by column then row, so each column of L receives
% its rows in increasing order and sparse need not sort them.
pad = 2 * radius;
paddedRows = rows + 2 * pad;
indexGrid = zeros(paddedRows, cols + 2 * pad);
indexGrid(pad + 1:pad + rows, pad + 1:pad + cols) = unknownIndex;
alphaGrid = indexGrid;
alphaGrid(pad + 1:pad + rows, pad + 1:pad + cols) = knownAlpha .* ~unknownMask;
[er, ec] = ndgrid(-pad:pad, -pad:pad);
pr = mod(unknownCell - 1, rows) + 1 + pad;
pc = floor((unknownCell - 1) / rows) + 1 + pad;
at = (pr + (pc - 1) * paddedRows) + (er(:)' + ec(:)' * paddedRows);
neighbourU = indexGrid(at);
knownPart = sum(band .* alphaGrid(at), 2);   % unknown neighbours hold 0 in alphaGrid
entry = neighbourU > 0;
column = repmat((1:nU)', 1, span * span);
L = sparse(neighbourU(entry), column(entry), band(entry), nU, nU);
end
