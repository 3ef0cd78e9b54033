function checkRejections(cases)
%CHECKREJECTIONS Runs a table of bad calls, one row {name, args, nout, id} each:
%   the module named in the identifier pairseek:<module>:<what> must raise exactly
%   that identifier and leave every input bit-identical (in-place form included).
  for t = 1:size(cases, 1)
    [name, args, nout, id] = cases{t, :};
    module = regexprep(id, '^pairseek:(\w+):.*$', '$1');
    snapshot = bitsOf(args);
    raised = '';
    try
      if nout == 0
        feval(module, args{:});
      else
        out = cell(1, nout);
        [out{:}] = feval(module, args{:});
      end
    catch err
      raised = err.identifier;
    end
    assert(strcmp(raised, id), '%s (%s): raised ''%s'', expected ''%s''', name, module, raised, id);
    assert(isequal(bitsOf(args), snapshot), '%s (%s): an input changed', name, module);
  end
end
