function confidence = pairConfidence(unknownColour, fgColour, bgColour, fgIndex, bgIndex, varargin)
%PAIRCONFIDENCE How far each unknown pixel's sampled alpha can be trusted, from its pair.
%   confidence = pairConfidence(unknownColour, fgColour, bgColour, fgIndex, bgIndex)
%   takes fringeScan's colour tables and the pairs pairSeek chose, and returns an
%   nU x 1 double in [0, 1] for the unknown pixels in their list order:
%     exp(-(fit / FitScale)^2) * (1 - exp(-(separation / SeparationScale)^2))
%   where fit is the distance from the pixel's colour to the line through its pair's
%   colours (the colour misfit of the pair cost) and separation = |F - B|: a pair that
%   explains the colour badly, or whose colours are too close to tell the blend
%   apart, is trusted little. Colours are in [0, 1] units.
%
%   Options (name, value pairs):
%     'FitScale'         colour misfit at which trust falls to 1/e (default 0.01)
%     'SeparationScale'  pair colour distance at which trust is 63 % (default 0.3)
%
%   See also refineMatte, pairSeek, fringeScan.

options = struct('FitScale', 0.01, 'SeparationScale', 0.3);
options = nameValueOptions(options, varargin, 'pairConfidence');
names = fieldnames(options);
for k = 1:numel(names)
    value = options.(names{k});
    if ~(isnumeric(value) && isreal(value) && isscalar(value) && value > 0)
        error(['pairseek:pairConfidence:' names{k}], 'option %s must be a number > 0', names{k});
    end
end
if size(unknownColour, 2) < 3 || size(fgColour, 2) < 3 || size(bgColour, 2) < 3
    error('pairseek:pairConfidence:shape', 'colour tables need 3 columns (R G B) or more');
end
nU = size(unknownColour, 1);
if numel(fgIndex) ~= nU || numel(bgIndex) ~= nU
    error('pairseek:pairConfidence:shape', 'fgIndex and bgIndex need %d elements (one per unknown pixel); got %d and %d', ...
          nU, numel(fgIndex), numel(bgIndex));
end
fgIndex = double(fgIndex(:));
bgIndex = double(bgIndex(:));
if any(fgIndex < 1 | fgIndex > size(fgColour, 1) | fgIndex ~= floor(fgIndex)) || ...
   any(bgIndex < 1 | bgIndex > size(bgColour, 1) | bgIndex ~= floor(bgIndex))
    error('pairseek:pairConfidence:indexRange', 'fgIndex and bgIndex must index rows of fgColour and bgColour');
end

pixel = double(unknownColour(:, 1:3));
back = double(bgColour(bgIndex, 1:3));
span = double(fgColour(fgIndex, 1:3)) - back;
separation2 = sum(span .^ 2, 2);
% The blend's alpha unclamped, as the pair cost has it; a pair of one colour fits nothing.
alpha = sum((pixel - back) .* span, 2) ./ separation2;
alpha(separation2 == 0) = 0;
fit2 = sum((pixel - back - alpha .* span) .^ 2, 2);
confidence = exp(-fit2 / options.FitScale ^ 2) .* (1 - exp(-separation2 / options.SeparationScale ^ 2));
end
