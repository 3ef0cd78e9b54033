function buildModules(outDir)
%BUILDMODULES Build the pairMatte, fringeScan, pairSeek, refineBand and cut-out modules with the host's mex.
%   buildModules builds the modules from ../gateway, ../core, ../refine, ../matte and ../cutout
%   into ../build/octave (Octave) or ../build/matlab (MATLAB) and copies their help
%   files (help/) beside them; add that folder to the path. buildModules(outDir)
%   builds them into outDir. Works in GNU Octave (mkoctfile --mex) and in MATLAB (mex with a
%   GCC or Clang compiler); the MATLAB path is untested. Nothing beyond the C++17
%   standard library is needed.
%
%   Every source is compiled with -ffp-contract=off -fno-fast-math: results
%   must follow the exact order of double operations, without fused
%   multiply-add. The CMake build (build/octave) does the same.
%
%   See also PAIRMATTE, FRINGESCAN, PAIRSEEK, REFINEBAND, ESTIMATEFOREGROUND,
%   COMPOSITE, TRIMAPFROMMASK.
  here = fileparts(mfilename('fullpath'));
  root = fileparts(here);
  if nargin < 1
    if exist('OCTAVE_VERSION', 'builtin')
      outDir = fullfile(root, 'build', 'octave');
    else
      outDir = fullfile(root, 'build', 'matlab');
    end
  end
  if ~exist(outDir, 'dir')
    mkdir(outDir);
  end
  core = fullfile(root, 'core');
  gateway = fullfile(root, 'gateway');
  refine = fullfile(root, 'refine');
  matte = fullfile(root, 'matte');
  cutout = fullfile(root, 'cutout');
  flags = '-O2 -std=c++17 -ffp-contract=off -fno-fast-math';
  % Each module: its libraries' folders and the include folders it needs.
  modules = {'fringeScan', 'pairSeek', 'refineBand', 'pairMatte', 'estimateForeground', 'composite', 'trimapFromMask'};
  pipeline = {matte, refine, cutout, core};
  libraries = {{core}, {core}, {refine}, pipeline, pipeline, pipeline, pipeline};
  includes = {{core}, {core}, {refine, core}, pipeline, pipeline, pipeline, pipeline};
  for k = 1:numel(modules)
    librarySources = {};
    for folder = libraries{k}
      listing = dir(fullfile(folder{1}, '*.cpp'));
      librarySources = [librarySources, cellfun(@(name) fullfile(folder{1}, name), {listing.name}, ...
                                                'UniformOutput', false)];
    end
    sources = [{fullfile(gateway, [modules{k} '.cpp'])}, librarySources];
    includeFlags = cellfun(@(folder) ['-I' folder], [includes{k}, {gateway}], 'UniformOutput', false);
    if exist('OCTAVE_VERSION', 'builtin')
      % mkoctfile takes its compiler flags from the environment.
      saved = getenv('CXXFLAGS');
      setenv('CXXFLAGS', flags);
      try
        mex(includeFlags{:}, sources{:}, '-o', fullfile(outDir, [modules{k} '.mex']));
      catch err
        setenv('CXXFLAGS', saved);
        rethrow(err);
      end
      setenv('CXXFLAGS', saved);
    else
      mex(includeFlags{:}, ['CXXFLAGS=$CXXFLAGS ' flags], '-outdir', outDir, ...
          '-output', modules{k}, sources{:});
    end
    % The help file beside its module: help finds it wherever the module is.
    copyfile(fullfile(here, 'help', [modules{k} '.m']), outDir);
  end
end
