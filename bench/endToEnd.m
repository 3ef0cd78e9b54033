function times = endToEnd(passes)
%ENDTOEND Time of fringeScan and of pairSeek passes on the large synthetic case.
%   times = endToEnd(passes)   (default 10 passes)
%
%   Builds the benchmark's large case (2000 x 2000, a wavy blob in an unknown
%   band of about 10^6 pixels, about 5*10^4 boundary samples of each kind),
%   then times fringeScan once and pairSeek pass after pass, in place and
%   with outputs, and prints the figures: processor time of the Octave process
%   (cputime, robust on a shared machine) and wall-clock time. Time per pass
%   beyond the core pass of the C++ benchmark (searchPass/large/first) is the
%   modules' own overhead: argument checks, conversions and copies.
%
%   Run from the repository root after building the modules:
%     octave-cli --eval "addpath('build/octave', 'bench'); endToEnd"
if nargin < 1
  passes = 10;
end
rows = 2000;
cols = 2000;
[c, r] = meshgrid(0:cols - 1, 0:rows - 1);
y = r - rows / 2;
x = c - cols / 2;
rho = sqrt(x .^ 2 + y .^ 2);
theta = atan2(y, x);
edge = 700 + 150 * sin(66 * theta);
inner = edge - 114;
outer = edge + 114;
unknownMask = rho > inner & rho < outer;
fgMask = rho <= inner;
bgMask = rho >= outer;
alpha = min(max((outer - rho) ./ (outer - inner) + 0.3 * sin(97 * theta), 0), 1);
alpha(fgMask) = 1;
alpha(bgMask) = 0;
rand('seed', 7);
image = zeros(rows, cols, 3);
fgColour = {0.75 + 0.2 * sin(x / 37), 0.35 + 0.15 * cos(y / 23), 0.2 + 0 * x};
bgColour = {0.15 + 0 * x, 0.3 + 0.2 * sin((x + y) / 51), 0.7 + 0.2 * cos(x / 19)};
for k = 1:3
  image(:, :, k) = alpha .* fgColour{k} + (1 - alpha) .* bgColour{k} + 0.06 * (rand(rows, cols) - 0.5);
end

clock0 = tic;
cpu0 = cputime;
[fgPos, fgCol, bgPos, bgCol, unknownPos, unknownCol, indexMap] = fringeScan(image, fgMask, bgMask, unknownMask);
scanTime = [cputime - cpu0, toc(clock0)];
nU = size(unknownPos, 1);
nF = size(fgPos, 1);
nB = size(bgPos, 1);

% Host-side preparation (not timed): scales grow with the distance into the band.
at = sub2ind([rows cols], unknownPos(:, 1), unknownPos(:, 2));
fgScale = max(1, rho(at) - inner(at));
bgScale = max(1, outer(at) - rho(at));
fgStart = int32(randi(nF, nU, 1));
bgStart = int32(randi(nB, nU, 1));

% In place: the form a host script uses to avoid copies.
fgIndex = fgStart + 0;
bgIndex = bgStart + 0;
opacity = zeros(rows, cols);
inPlace = zeros(passes, 2);
for pass = 1:passes
  clock0 = tic;
  cpu0 = cputime;
  pairSeek(unknownCol, unknownPos, fgCol, fgPos, bgCol, bgPos, fgScale, bgScale, indexMap, unknownMask, ...
           0.5, 1, fgIndex, bgIndex, opacity, pass);
  inPlace(pass, :) = [cputime - cpu0, toc(clock0)];
end

% With outputs: new arrays each pass.
fgOut = fgStart + 0;
bgOut = bgStart + 0;
opacityOut = zeros(rows, cols);
withOutputs = zeros(passes, 2);
for pass = 1:passes
  clock0 = tic;
  cpu0 = cputime;
  [fgOut, bgOut, opacityOut] = pairSeek(unknownCol, unknownPos, fgCol, fgPos, bgCol, bgPos, fgScale, bgScale, ...
                                        indexMap, unknownMask, 0.5, 1, fgOut, bgOut, opacityOut, pass);
  withOutputs(pass, :) = [cputime - cpu0, toc(clock0)];
end
assert(isequal(fgOut, fgIndex) && isequal(bgOut, bgIndex) && isequal(opacityOut, opacity), ...
       'the two calling forms disagree');

printf('endToEnd: %d x %d, %d unknown, %d foreground and %d background samples\n', rows, cols, nU, nF, nB);
printf('                                 processor     wall clock\n');
printf('  fringeScan                    %9.1f ms  %9.1f ms\n', 1000 * scanTime);
printf('  pairSeek in place, %2d passes  %9.1f ms  %9.1f ms\n', passes, 1000 * sum(inPlace, 1));
printf('    median pass                 %9.1f ms  %9.1f ms  (%.0f ns per unknown pixel, processor)\n', ...
       1000 * median(inPlace, 1), 1e9 * median(inPlace(:, 1)) / nU);
printf('    first pass                  %9.1f ms  %9.1f ms\n', 1000 * inPlace(1, :));
printf('  pairSeek with outputs, median %9.1f ms  %9.1f ms\n', 1000 * median(withOutputs, 1));
printf('  fringeScan + %2d passes        %9.1f ms  %9.1f ms\n', passes, 1000 * (scanTime + sum(inPlace, 1)));
times = struct('fringeScan', scanTime, 'inPlace', inPlace, 'withOutputs', withOutputs);
end
