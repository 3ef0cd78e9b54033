function results = matteQuality(folders, varargin)
%MATTEQUALITY Quality and time of pairMatte on every case of one or more folders.
%   matteQuality() runs pairMatte with its default options on every case of the
%   shared test data beside the repository (../shared/data and ../shared/photos),
%   or of the repository's own data/ when neither is there. matteQuality(folder) and
%   matteQuality({folder, ...}) take the cases of the given folders; pairMatte
%   options may follow, as in matteQuality(folder, 'Passes', 5). A case is the three
%   files <case>_image.png, <case>_trimap.png and <case>_alpha.png.
%
%   Prints one row per case: the unknown pixels, then for the search alone
%   ('Refine', false) and for the refined matte ('Refine', true) the four measures
%   of the alpha matting benchmark over the trimap's unknown region and the time:
%     SAD   sum of |alpha - true alpha|, divided by 1000;
%     MSE   mean of the squared error;
%     grad  sum of the squared difference of the gradient magnitudes (Gaussian
%           derivative filters, sigma 1.4), divided by 1000;
%     conn  connectivity error: sum of the difference of the connectivity degrees
%           (thresholds 0.1 apart, largest 4-connected component), divided by 1000;
%     s     seconds of a pairMatte call, the best of three after an untimed one, so
%           that loading the modules and a busy machine count least;
%   and, where bench/peerScores.csv knows them, the SAD of closed-form matting (cf)
%   and information-flow matting (if) on that case. Closed-form matting's measures
%   of a case the file does not know are computed on the spot (closedFormMatte,
%   when the refineBand module is built), so that cases of one's own are scored
%   beside it too. Per folder, the totals: sums, MSE their mean, and the peers'
%   totals over the same cases.
%
%   results = matteQuality(...) also returns the rows, a struct array with the fields
%   folder, name, unknown, and sad, mse, gradient, connectivity, seconds of the
%   refined matte and searchSad, searchMse, searchGradient, searchConnectivity,
%   searchSeconds of the search alone.
%
%   See also pairMatte.

if nargin < 1 || isempty(folders)
    root = fileparts(fileparts(mfilename('fullpath')));
    shared = fullfile(root, '..', 'shared');
    folders = {fullfile(shared, 'data'), fullfile(shared, 'photos')};
    folders = folders(cellfun(@(f) exist(f, 'dir') == 7, folders));
    if isempty(folders)
        folders = {fullfile(root, 'data')};
    end
end
if ischar(folders)
    folders = {folders};
end
for f = 1:numel(folders)
    if ~exist(folders{f}, 'dir')
        error('pairseek:matteQuality:folder', 'no folder %s', folders{f});
    end
end
peers = peerScores();

measures = {'sad', 'mse', 'gradient', 'connectivity', 'seconds'};
searchMeasures = {'searchSad', 'searchMse', 'searchGradient', 'searchConnectivity', 'searchSeconds'};
results = cell2struct(cell(numel(measures) * 2 + 3, 0), [{'folder', 'name', 'unknown'}, measures, searchMeasures]);
fprintf('%-8s %7s | %-41s | %-41s | %-13s\n', '', '', 'search alone', 'refined', 'peers'' SAD');
fprintf('%-8s %7s | %8s %8s %7s %7s %6s | %8s %8s %7s %7s %6s | %6s %6s\n', 'case', 'unknown', ...
        'SAD', 'MSE', 'grad', 'conn', 's', 'SAD', 'MSE', 'grad', 'conn', 's', 'cf', 'if');
for f = 1:numel(folders)
    folder = folders{f};
    fprintf('%s:\n', folder);
    first = numel(results) + 1;
    for name = caseNames(folder)
        matteCase = readMatteCase(folder, name{1});
        row = struct('folder', folder, 'name', name{1});
        [searchAlpha, row.searchSeconds] = timedMatte(matteCase, [varargin, {'Refine', false}]);
        [alpha, row.seconds] = timedMatte(matteCase, [varargin, {'Refine', true}]);
        [row.searchSad, row.searchMse, ~, row.searchGradient, row.searchConnectivity] = ...
            matteScores(searchAlpha, matteCase.alpha, matteCase.trimap);
        [row.sad, row.mse, row.unknown, row.gradient, row.connectivity] = ...
            matteScores(alpha, matteCase.alpha, matteCase.trimap);
        row = orderfields(row, results);
        peers = withClosedForm(peers, matteCase);
        fprintf('%-8s %7d | %s | %s | %s\n', name{1}, row.unknown, measureText(row, searchMeasures), ...
                measureText(row, measures), peerText(peers, name(1), 'sad'));
        results(end + 1) = row; %#ok<AGROW>
    end
    printTotals(results(first:end), peers, measures, searchMeasures);
end
if nargout == 0
    clear results;
end
end

function printTotals(rows, peers, measures, searchMeasures)
% Sums per folder (MSE: the mean), ours and the peers' where they know every case.
if isempty(rows)
    return;
end
total = struct();
for name = [measures, searchMeasures]
    total.(name{1}) = sum([rows.(name{1})]);
end
total.mse = total.mse / numel(rows);
total.searchMse = total.searchMse / numel(rows);
fprintf('%-8s %7d | %s | %s |\n', 'total', sum([rows.unknown]), measureText(total, searchMeasures), ...
        measureText(total, measures));
names = {rows.name};
for p = 1:numel(peers.methods)
    method = peers.methods{p};
    known = ~isnan(peerValues(peers, method, names, 'sad'));
    if ~all(known)
        continue;
    end
    peerTotal = struct('seconds', NaN);
    for name = {'sad', 'mse', 'gradient', 'connectivity'}
        peerTotal.(name{1}) = sum(peerValues(peers, method, names, name{1}));
    end
    peerTotal.mse = peerTotal.mse / numel(rows);
    fprintf('%-16s | %41s | %s |\n', method, '', measureText(peerTotal, measures));
end
end

function text = measureText(row, names)
text = sprintf('%8.4f %8.5f %7.3f %7.3f %6.2f', row.(names{1}), row.(names{2}), row.(names{3}), ...
               row.(names{4}), row.(names{5}));
text = strrep(text, 'NaN', '  -');
end

function text = peerText(peers, name, measure)
text = '';
for p = 1:numel(peers.methods)
    value = peerValues(peers, peers.methods{p}, name, measure);
    if isnan(value)
        text = [text sprintf(' %6s', '-')]; %#ok<AGROW>
    else
        text = [text sprintf(' %6.3f', value)]; %#ok<AGROW>
    end
end
text = text(2:end);
end

function values = peerValues(peers, method, names, measure)
% The peer's measure for each named case, NaN where unknown.
values = nan(1, numel(names));
for k = 1:numel(names)
    at = find(strcmp(peers.method, method) & strcmp(peers.case, names{k}), 1);
    if ~isempty(at)
        values(k) = peers.(measure)(at);
    end
end
end

function peers = withClosedForm(peers, matteCase)
% Adds closed-form matting's measures on a case the peers' file does not know.
known = ~isnan(peerValues(peers, 'closed-form', {matteCase.name}, 'sad'));
if known || exist('refineBand') ~= 3 %#ok<EXIST>
    return;
end
alpha = closedFormMatte(matteCase.image, matteCase.trimap);
[sad, mse, ~, gradient, connectivity] = matteScores(alpha, matteCase.alpha, matteCase.trimap);
peers.method{end + 1} = 'closed-form';
peers.case{end + 1} = matteCase.name;
peers.sad(end + 1) = sad;
peers.mse(end + 1) = mse;
peers.gradient(end + 1) = gradient;
peers.connectivity(end + 1) = connectivity;
end

function peers = peerScores()
% bench/peerScores.csv: method, case and the four measures of the peers' mattes.
file = fullfile(fileparts(fileparts(mfilename('fullpath'))), 'bench', 'peerScores.csv');
peers = struct('methods', {{'closed-form', 'information-flow'}}, 'method', {{}}, 'case', {{}}, ...
               'sad', [], 'mse', [], 'gradient', [], 'connectivity', []);
handle = fopen(file, 'r');
if handle < 0
    return;
end
columns = textscan(handle, '%s %s %f %f %f %f', 'Delimiter', ',', 'HeaderLines', 1, 'EmptyValue', NaN);
fclose(handle);
[peers.method, peers.case, peers.sad, peers.mse, peers.gradient, peers.connectivity] = columns{:};
end

function [alpha, seconds] = timedMatte(matteCase, options)
% The matte, and the best time of three calls after an untimed one.
alpha = pairMatte(matteCase.image, matteCase.trimap, options{:});
seconds = Inf;
for run = 1:3
    started = tic;
    pairMatte(matteCase.image, matteCase.trimap, options{:});
    seconds = min(seconds, toc(started));
end
end

function names = caseNames(folder)
% Cases with all three files, sorted by name.
listing = dir(fullfile(folder, '*_trimap.png'));
names = {};
for k = 1:numel(listing)
    name = listing(k).name(1:end - numel('_trimap.png'));
    if exist(fullfile(folder, [name '_image.png']), 'file') && exist(fullfile(folder, [name '_alpha.png']), 'file')
        names{end + 1} = name; %#ok<AGROW>
    end
end
names = sort(names);
end
